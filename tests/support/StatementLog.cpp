#include "support/StatementLog.h"

#include "store/Database.h"

StatementLog::StatementLog() { SetStatementObserver(&StatementLog::Record, this); }

StatementLog::~StatementLog() { SetStatementObserver(nullptr, nullptr); }

void StatementLog::Record(const char* text, void* context)
{
    auto* log = static_cast<StatementLog*>(context);
    std::lock_guard lock(log->m_mutex);
    log->m_texts.emplace_back(text);
}

std::vector<std::string> StatementLog::Take()
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> texts;
    texts.swap(m_texts);
    return texts;
}

std::vector<std::string> StatementLog::Texts() const
{
    std::lock_guard lock(m_mutex);
    return m_texts;
}

void StatementLog::Clear()
{
    std::lock_guard lock(m_mutex);
    m_texts.clear();
}
