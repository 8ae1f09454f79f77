#pragma once

// The user's order of names in the key tree and the value list: the locale's collation, case-sensitive
// (lower before upper where they differ only in case), with punctuation ignored as a first criterion so
// that "_unter" sorts beside "unter". A system without a real locale ("C", "POSIX") gets German order,
// the language of the program, rather than character codes.

#include <QCollator>

[[nodiscard]] QCollator UserCollator();
