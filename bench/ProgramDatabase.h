#pragma once
#include <string>

// The program's own connection (the global Database), opened the way
// start-up opens save.db, on a fresh file; closed when this goes.
class ProgramDatabase {
public:
    explicit ProgramDatabase(const std::string& path);
    ~ProgramDatabase();
    ProgramDatabase(const ProgramDatabase&) = delete;
    ProgramDatabase& operator=(const ProgramDatabase&) = delete;
};
