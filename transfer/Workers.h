#pragma once

#include <cstdint>

class WorkerContext;

// The four thread procedures the dialog starts, one per command. Each takes
// the dialog's context; the exit code is read by nobody.
std::uint32_t ConnectWorker(WorkerContext* context);
std::uint32_t DisconnectWorker(WorkerContext* context);
std::uint32_t LiveWorker(WorkerContext* context);
std::uint32_t ContinuousCaptureWorker(WorkerContext* context);
