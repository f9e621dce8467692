#include "GSRoot/DisposableObject.hpp"

#include "GSRoot/Definitions.hpp"
#include "GarbageCollectorHost.hpp"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace GS {

namespace {

struct Entry {
    DisposableObject* object = nullptr;
    GarbageCollector* collector = nullptr;
    DisposeHandler* handler = nullptr;
    UInt64 mark = 0; // 0 while not marked; otherwise the mark's number, increasing with time
};

// Every object that has a collector, a handler or a mark. Marked entries sit in the order they were
// marked, after the unmarked ones.
class DisposalTable {
public:
    Entry* Find(const DisposableObject* object) {
        const auto found = std::find_if(entries.begin(), entries.end(),
                                        [object](const Entry& entry) { return entry.object == object; });
        return found == entries.end() ? nullptr : &*found;
    }

    Entry& FindOrAdd(DisposableObject* object) {
        if (Entry* entry = Find(object))
            return *entry;
        entries.push_back(Entry{object});
        return entries.back();
    }

    void Remove(const DisposableObject* object) {
        std::erase_if(entries, [object](const Entry& entry) { return entry.object == object; });
    }

    void Mark(DisposableObject* object) {
        Entry entry = FindOrAdd(object);
        if (entry.mark != 0)
            return;
        entry.mark = ++lastMark;
        Remove(object);
        entries.push_back(entry);
    }

    std::vector<Entry> entries;
    UInt64 lastMark = 0;
    bool running = false;
    // The handler to tell once the object the running collector is deleting is gone; cleared if the
    // handler goes first.
    DisposeHandler* handlerToTell = nullptr;
};

DisposalTable& Table() {
    // Never destroyed: modules destroy their objects when they are unloaded, at exit possibly after
    // GSRoot's own statics.
    static DisposalTable& table = *new DisposalTable;
    return table;
}

class RunScope {
public:
    explicit RunScope(DisposalTable& disposals) : table(disposals) { table.running = true; }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;
    ~RunScope() {
        table.running = false;
        table.handlerToTell = nullptr;
    }

private:
    DisposalTable& table;
};

} // namespace

GarbageCollector defaultGarbageCollector;

DisposeHandler::~DisposeHandler() {
    DisposalTable& table = Table();
    for (Entry& entry : table.entries)
        if (entry.handler == this)
            entry.handler = nullptr;
    if (table.handlerToTell == this)
        table.handlerToTell = nullptr;
}

GarbageCollector::~GarbageCollector() {
    for (Entry& entry : Table().entries)
        if (entry.collector == this)
            entry.collector = nullptr;
}

DisposableObject::~DisposableObject() {
    Table().Remove(this);
}

void DisposableObject::SetGarbageCollector(GarbageCollector& collector) {
    Table().FindOrAdd(this).collector = &collector;
}

void DisposableObject::SetDisposeHandler(DisposeHandler* handler) {
    Table().FindOrAdd(this).handler = handler;
}

void DisposableObject::MarkAsDisposable() {
    Table().Mark(this);
}

} // namespace GS

namespace GS::Host {

std::size_t RunGarbageCollector(GarbageCollector& collector) {
    DisposalTable& table = Table();
    if (table.running) {
        std::fputs("GS::Host::RunGarbageCollector: called while a collector runs; nothing is deleted\n",
                   stderr);
        std::fflush(stderr);
        return 0;
    }
    const RunScope running(table);

    // What is marked now: marks made by the deletions and notifications below wait for the next run.
    std::vector<std::pair<DisposableObject*, UInt64>> doomed;
    for (const Entry& entry : table.entries)
        if (entry.mark != 0 && entry.collector == &collector)
            doomed.emplace_back(entry.object, entry.mark);

    std::size_t deleted = 0;
    for (const auto& [object, mark] : doomed) {
        const Entry* entry = table.Find(object);
        // Gone, or deleted by its owner and replaced at the same address, or moved to another collector.
        if (entry == nullptr || entry->mark != mark || entry->collector != &collector)
            continue;
        table.handlerToTell = entry->handler;
        table.Remove(object);
        delete object;
        ++deleted;
        if (DisposeHandler* handler = std::exchange(table.handlerToTell, nullptr))
            handler->DisposableObjectDeleted(object);
    }
    return deleted;
}

std::size_t PendingDisposables(const GarbageCollector& collector) {
    const std::vector<Entry>& entries = Table().entries;
    return static_cast<std::size_t>(
        std::count_if(entries.begin(), entries.end(), [&collector](const Entry& entry) {
            return entry.mark != 0 && entry.collector == &collector;
        }));
}

} // namespace GS::Host
