// The exit statuses of `carillo`, as --help and the manual page list them.
#pragma once

enum class ExitStatus : int {
  Done = 0,        // everything asked was done (files skipped by an answer or a flag included)
  Refused = 1,     // input refused, or a question answered Cancel
  Usage = 2,       // the command line itself is wrong
  InOutError = 3,  // a file could not be read or written; the run stopped
  Incomplete = 4,  // the run finished, but records or files could not be converted (each reported)
};
