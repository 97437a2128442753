#include "ConnectSemaphore.h"

std::counting_semaphore<1>& ConnectSemaphore() {
    static std::counting_semaphore<1> semaphore{1};
    return semaphore;
}
