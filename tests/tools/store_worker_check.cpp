// store_worker check: what a killed run left in save.db, held against the
// journal of what it asked and committed and the model of what came before.
#include "tools/StoreWorker.h"

#include "store/StoreWork.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

namespace store_worker {

namespace {

struct Drill {
    std::string id, list;
    Mode mode;
    std::vector<std::pair<int, int>> counts; // card index, count
    std::optional<int> result;               // nothing: killed before it was known
};

struct JournalContents {
    std::map<std::string, std::vector<std::pair<int, int>>> syncs; // list -> ranges asked
    std::vector<Drill> drills;
    bool finished = false;
};

JournalContents ReadJournal(const std::string& path)
{
    JournalContents contents;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (in.eof())
            break; // a line without its newline was cut by the kill
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "sync") {
            std::string name;
            int beg = 0, end = 0;
            fields >> name >> beg >> end;
            contents.syncs[name].emplace_back(beg, end);
        } else if (kind == "drill") {
            Drill drill;
            char mode = 0;
            std::string counts;
            fields >> drill.id >> drill.list >> mode >> counts;
            drill.mode = mode == 't' ? Mode::Test : Mode::Free;
            std::istringstream items(counts);
            int index = 0, times = 0;
            char colon = 0, comma = 0;
            while (items >> index >> colon >> times >> comma)
                drill.counts.emplace_back(index, times);
            contents.drills.push_back(drill);
        } else if (kind == "done") {
            std::string id;
            int result = 0;
            fields >> id >> result;
            for (Drill& drill : contents.drills)
                if (drill.id == id)
                    drill.result = result;
        } else if (kind == "finished") {
            contents.finished = true;
        }
    }
    return contents;
}

void Apply(std::vector<Row>& rows, const Drill& drill)
{
    for (const auto& [index, times] : drill.counts) {
        const std::string word = Card(drill.list, index).word;
        for (Row& row : rows) {
            if (row.word != word)
                continue;
            if (drill.mode == Mode::Test) {
                row.testWrong += times - 1;
                row.testAsked += times;
            } else {
                row.free += times;
            }
        }
    }
}

class Checker {
public:
    Checker(const std::string& db, Model model, JournalContents journal)
        : m_db(db), m_model(std::move(model)), m_journal(std::move(journal))
    {
    }

    bool Run()
    {
        const auto integrity = m_db.Rows("PRAGMA integrity_check");
        if (integrity.size() != 1 || integrity[0][0] != std::optional<std::string>("ok"))
            return Fail("integrity_check: " + (integrity.empty() || !integrity[0][0] ? "?" : *integrity[0][0]));
        std::set<std::string> tables;
        for (const auto& row : m_db.Rows("select name from sqlite_master where type = 'table'"))
            tables.insert(row[0].value_or(""));
        if (!tables.count("control"))
            return Fail("control is gone");
        m_controlRows = m_db.Rows("select * from control order by rowid");
        for (const std::string& name : tables)
            if (name != "control" && !m_model.lists.count(name) && !m_model.stale.count(name))
                return Fail("a table nobody made: " + name);
        for (auto& [name, list] : m_model.lists)
            if (!CheckList(name, list, tables.count(name) > 0))
                return false;
        return CheckStale(tables);
    }

    const Model& Outcome() const { return m_model; }
    const std::string& Summary() const { return m_summary; }

private:
    bool Fail(const std::string& why)
    {
        std::fprintf(stderr, "store_worker check: %s\n", why.c_str());
        return false;
    }

    std::vector<std::pair<int, int>> ControlRanges(const std::string& name)
    {
        std::vector<std::pair<int, int>> ranges;
        for (const auto& row : m_controlRows)
            if (row.size() == 3 && row[0] == name)
                ranges.emplace_back(std::atoi(row[1].value_or("x").c_str()), std::atoi(row[2].value_or("x").c_str()));
        return ranges;
    }

    std::optional<std::vector<Row>> ActualRows(const std::string& name)
    {
        std::vector<Row> rows;
        for (const auto& cells : m_db.Rows("select * from " + name + " order by rowid")) {
            if (cells.size() != 10 || !cells[0])
                return std::nullopt;
            for (std::size_t c = 4; c < 10; ++c)
                if (cells[c] != std::optional<std::string>("0"))
                    return std::nullopt;
            rows.push_back(Row{*cells[0], std::atoll(cells[1]->c_str()), std::atoll(cells[2]->c_str()),
                               std::atoll(cells[3]->c_str())});
        }
        return rows;
    }

    // The table is the one before the run or the one its first
    // synchronisation made, with every committed drill of the list on it and
    // the drill the kill interrupted either wholly or not at all.
    bool CheckList(const std::string& name, ListModel& list, bool tableExists)
    {
        const auto syncs = m_journal.syncs.find(name);
        const bool synced = syncs != m_journal.syncs.end();
        const auto ranges = ControlRanges(name);
        if (!tableExists) {
            if (list.present)
                return Fail("table " + name + " is lost");
            if (!ranges.empty())
                return Fail("control row of " + name + " without its table");
            return CheckNoCommittedDrill(name);
        }
        if (!list.present && !synced)
            return Fail("table " + name + " appeared without a Start");
        if (ranges.size() != 1)
            return Fail("control holds " + std::to_string(ranges.size()) + " rows of " + name);
        std::vector<std::pair<int, int>> allowed;
        if (list.present)
            allowed.emplace_back(list.beg, list.end);
        if (synced)
            allowed.insert(allowed.end(), syncs->second.begin(), syncs->second.end());
        if (std::find(allowed.begin(), allowed.end(), ranges[0]) == allowed.end())
            return Fail("control range of " + name + " was never asked for");

        const auto actual = ActualRows(name);
        if (!actual)
            return Fail("table " + name + " has a row with a NULL word, a missing column or a reserved value");
        std::vector<ListModel> bases;
        if (list.present)
            bases.push_back(list);
        if (synced)
            bases.push_back(Synchronised(name, list));
        const Drill* pending = nullptr;
        std::vector<const Drill*> committed;
        for (const Drill& drill : m_journal.drills) {
            if (drill.list != name)
                continue;
            if (!drill.result)
                pending = &drill;
            else if (*drill.result == static_cast<int>(WriteBackResult::Committed))
                committed.push_back(&drill);
        }
        for (const ListModel& base : bases) {
            for (bool withPending : {false, true}) {
                if (withPending && !pending)
                    continue;
                std::vector<Row> expected = base.rows;
                for (const Drill* drill : committed)
                    Apply(expected, *drill);
                if (withPending)
                    Apply(expected, *pending);
                if (expected == *actual) {
                    if (pending)
                        m_summary += std::string(" interrupted drill ") + (withPending ? "committed" : "absent") + ";";
                    list.present = true;
                    list.beg = ranges[0].first;
                    list.end = ranges[0].second;
                    list.rows = *actual;
                    return true;
                }
            }
        }
        return Fail("table " + name + " does not hold every committed drill, or holds part of one");
    }

    bool CheckNoCommittedDrill(const std::string& name)
    {
        for (const Drill& drill : m_journal.drills)
            if (drill.list == name && drill.result == static_cast<int>(WriteBackResult::Committed))
                return Fail("a drill of " + name + " committed into no table");
        return true;
    }

    // The preload removes such a list's control row and table in one transaction.
    bool CheckStale(const std::set<std::string>& tables)
    {
        for (auto it = m_model.stale.begin(); it != m_model.stale.end();) {
            const bool row = !ControlRanges(*it).empty();
            const bool table = tables.count(*it) > 0;
            if (row != table)
                return Fail("stale list " + *it + " half removed");
            if (!row) {
                m_summary += " stale list " + *it + " removed;";
                it = m_model.stale.erase(it);
            } else {
                ++it;
            }
        }
        return true;
    }

    Connection m_db;
    Model m_model;
    JournalContents m_journal;
    std::vector<std::vector<std::optional<std::string>>> m_controlRows;
    std::string m_summary;
};

std::string Phase(const char* path)
{
    if (!path)
        return "";
    std::ifstream in(path, std::ios::binary);
    std::string text(kPhaseSize, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(std::strlen(text.c_str()));
    return text.empty() ? "nothing sent" : text;
}

} // namespace

int Check(const char* db, const char* journalPath, const char* modelPath, const char* phasePath)
{
    const JournalContents journal = ReadJournal(journalPath);
    Checker checker(db, LoadModel(modelPath), journal);
    const std::string phase = Phase(phasePath);
    if (!checker.Run()) {
        std::fprintf(stderr, "store_worker check: last statement %s\n", phase.c_str());
        return 1;
    }
    SaveModel(modelPath, checker.Outcome());
    std::printf("ok: %zu drills, last statement [%s]%s%s\n", journal.drills.size(), phase.c_str(),
                journal.finished ? " (run finished)" : "", checker.Summary().c_str());
    return 0;
}

} // namespace store_worker
