#pragma once
// `verify`: checks a database file, its index and its journal without changing anything, and
// reports one line per problem and a summary.

// Mode OwnFile: the database is not opened (an opening may write: it applies a leftover
// journal and rebuilds a missing index), but missing and foreign files get the dispatcher's
// messages. Exit status 0 only when the database is sound.
void VerifyHandler();
