#pragma once

struct WorkerRun;

// The four thread procedures the dialog starts, one per command. Each reads
// the run's settings from its context and tells the run's listener what
// happens; the last event of each is Ended.
void ConnectWorker(const WorkerRun& run);
void DisconnectWorker(const WorkerRun& run);
void LiveWorker(const WorkerRun& run);
void ContinuousCaptureWorker(const WorkerRun& run);
