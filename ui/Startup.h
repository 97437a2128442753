#pragma once

// Sets up the application object (name, organisation, settings format) and
// runs the main dialog modally; returns the process's exit code.
int RunApplication(int argc, char** argv);
