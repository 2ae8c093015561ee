#pragma once
// The `create` and `add` commands: compile an XML source file, with the files it includes,
// into a database.

#include "DecodeReporter.h"
#include "XMLNode.h"

#include <cstdint>

namespace WVEK {
class TWVEK_DB;
}

// `create`: replaces the database named on the command line by a new one and compiles into it.
void CreateHandler();
// `add`: compiles into the database the dispatcher opened writable.
void AddHandler();

// Compiles the source named by the next argument, and every file it includes, into the run's
// database, then flushes it. `create` also writes the dependency file when one is named.
void CompileSource(bool create);

// Decodes the records of one parsed file; a null root (a document without elements) fails.
// Returns 0, or the decode error code of the failure that stopped it (1 for a failure that
// carries no such code).
uint32_t DecodeTree(WVEK::TWVEK_DB& database, TXMLNode* root, UTarnwick::Callback& reporter,
                    bool stripComments);
