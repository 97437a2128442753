#pragma once

#include "transfer/WorkerThread.h"

// The thread procedure behind each start command of the main dialog.
struct WorkerProcedures {
    WorkerThread::Procedure connect = nullptr;
    WorkerThread::Procedure disconnect = nullptr;
    WorkerThread::Procedure live = nullptr;
    WorkerThread::Procedure continuousCapture = nullptr;
};

// The workers that talk to the camera.
WorkerProcedures RealWorkerProcedures();
