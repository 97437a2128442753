#pragma once

#include <semaphore>

// The process-wide single slot that serialises the connect check: at most one
// thread at a time opens a port only to see that it can.
std::counting_semaphore<1>& ConnectSemaphore();
