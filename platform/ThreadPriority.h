#pragma once

namespace platform {

// Lowers the calling thread's priority (nice 10), so that under load the
// threads that take the camera's pictures run first and a viewer never slows
// the camera. For a view's own threads only: never the worker's.
void YieldToTheCamera();

} // namespace platform
