#pragma once

namespace vorn {

// Turns SIGTERM, SIGINT and SIGHUP (logging out, shutting down, Ctrl+C in a
// terminal) into an orderly quit of the event loop, so the quit path saves the
// workspace and lifts a website block. Call once, after the application object exists.
void quitOnTerminationSignals();

} // namespace vorn
