#pragma once
#include <mutex>
#include <string>
#include <vector>

// Records every statement text the program hands to SQLite while it lives.
class StatementLog {
public:
    StatementLog();
    ~StatementLog();
    StatementLog(const StatementLog&) = delete;
    StatementLog& operator=(const StatementLog&) = delete;

    std::vector<std::string> Take(); // the texts so far, in order; clears the log
    std::vector<std::string> Texts() const;
    void Clear();

private:
    static void Record(const char* text, void* context);
    mutable std::mutex m_mutex;
    std::vector<std::string> m_texts;
};
