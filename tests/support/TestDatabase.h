#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A fresh save.db in a temporary folder, opened as the program's Database,
// with an empty control table unless asked otherwise. Resets the process-wide
// word store (registry, DrillHistory, completion flags) so tests don't leak
// into each other. Closes and deletes everything on destruction.
class TestDatabase {
public:
    explicit TestDatabase(bool withControl = true);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    const std::string& Path() const { return m_path; }

    // Runs SQL directly (set-up of fixtures), failing the test on error.
    void Exec(const std::string& sql);
    // Rows of a query as text cells ("NULL" for NULL), for whole-table asserts.
    std::vector<std::vector<std::string>> Rows(const std::string& sql);
    bool TableExists(const std::string& name);

    // Fills the registry as the preload does, without the database.
    static void LoadBuiltinRegistry();
    static void ResetWordStore();

private:
    std::string m_dir;
    std::string m_path;
};
