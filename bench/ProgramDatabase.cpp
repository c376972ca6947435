#include "ProgramDatabase.h"

#include "BenchSupport.h"
#include "store/Database.h"

#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>

ProgramDatabase::ProgramDatabase(const std::string& path)
{
    RemoveDatabaseFiles(path);
    if (OpenDatabase(path.c_str()) != SQLITE_OK) {
        std::fprintf(stderr, "bench: cannot open %s\n", path.c_str());
        std::abort();
    }
    EnsureControlTable();
}

ProgramDatabase::~ProgramDatabase() { CloseDatabase(); }
