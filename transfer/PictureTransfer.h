#pragma once

#include <string>

class SerialPort;
class WorkerContext;

// Receives exactly one picture from the camera over port into fileName: finds
// the synchronisation pair, checks the header, acknowledges it when asked,
// takes the blocks with their check bytes and acknowledgements, and stores the
// data (a JPEG as received, uncompressed pixels as a BMP file). True only when
// every byte arrived, every check passed, no stop was requested and the file
// was written and kept. Polls context.stopRequest and writes its progress into
// the context's status text.
bool PictureTransfer(WorkerContext& context, SerialPort& port, const std::string& fileName);
