#include "WorkerProcedures.h"

#include "transfer/Workers.h"

WorkerProcedures RealWorkerProcedures() {
    return WorkerProcedures{.connect = ConnectWorker,
                            .disconnect = DisconnectWorker,
                            .live = LiveWorker,
                            .continuousCapture = ContinuousCaptureWorker};
}
