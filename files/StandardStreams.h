#pragma once
// Standard input, output and error, open whatever the caller left closed.

namespace kavro::files {

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed: for
// reading on 0, for writing on 1 and 2. Otherwise the next file opened
// would get one of them, and what is printed would land inside it. Call
// it first thing in main.
void OpenStandardStreams();

}  // namespace kavro::files
