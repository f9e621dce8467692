#include "GSRoot/DisposableObject.hpp"

#include "GarbageCollectorHost.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

using GS::Host::PendingDisposables;
using GS::Host::RunGarbageCollector;
using testing::ElementsAre;

using Log = std::vector<std::string>;

// Something else first, so that the disposable part does not start at the object's address.
class Payload {
public:
    virtual ~Payload() = default;
    int value = 7;
};

// Counts the deletions that went through its own operator delete, as a module's objects must.
class Tracked : public Payload, public GS::DisposableObject {
public:
    Tracked(std::string objectName, Log& sharedLog) : name(std::move(objectName)), log(sharedLog) {}
    ~Tracked() override {
        log.push_back(name + " destroyed");
        if (onDestroyed)
            onDestroyed();
    }

    static void* operator new(std::size_t size) {
        ++ownNews;
        if (void* block = std::malloc(size))
            return block;
        throw std::bad_alloc();
    }
    static void operator delete(void* block) {
        ++ownDeletes;
        std::free(block);
    }

    static inline int ownNews = 0;
    static inline int ownDeletes = 0;

    const std::string name;
    std::function<void()> onDestroyed;

private:
    Log& log;
};

// Names the objects it is told about by the addresses of their disposable parts.
class Handler : public GS::DisposeHandler {
public:
    Handler(std::string handlerName, Log& sharedLog) : name(std::move(handlerName)), log(sharedLog) {}

    void Know(Tracked& object) { names[&object] = object.name; }

    void DisposableObjectDeleted(GS::DisposableObject* object) override {
        const auto known = names.find(object);
        log.push_back(name + " told of " + (known == names.end() ? "a stranger" : known->second));
        if (onTold)
            onTold();
    }

    std::function<void()> onTold;

private:
    std::string name;
    Log& log;
    std::map<const GS::DisposableObject*, std::string> names;
};

class GarbageCollector : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(PendingDisposables(), 0u) << "an earlier test left objects behind"; }
    void TearDown() override { EXPECT_EQ(PendingDisposables(), 0u); }

    // A new object collected by the default collector and handled by `handler`.
    Tracked* Make(const std::string& name, Handler* objectHandler) {
        auto* object = new Tracked(name, log);
        object->SetGarbageCollector(GS::defaultGarbageCollector);
        object->SetDisposeHandler(objectHandler);
        if (objectHandler != nullptr)
            objectHandler->Know(*object);
        return object;
    }

    Log log;
    Handler handler{"handler", log};
};

TEST_F(GarbageCollector, DeletesMarkedObjectsOnceInMarkOrderTellingTheHandlerAfterEach) {
    const int newsBefore = Tracked::ownNews;
    const int deletesBefore = Tracked::ownDeletes;
    Tracked* first = Make("first", &handler);
    Tracked* second = Make("second", &handler);
    std::unique_ptr<Tracked> unmarked(Make("unmarked", &handler));
    second->MarkAsDisposable();
    first->MarkAsDisposable();
    second->MarkAsDisposable();
    EXPECT_EQ(PendingDisposables(), 2u);
    EXPECT_TRUE(log.empty()) << "marking deleted something";

    EXPECT_EQ(RunGarbageCollector(), 2u);
    EXPECT_THAT(log, ElementsAre("second destroyed", "handler told of second", "first destroyed",
                                 "handler told of first"))
        << "the handler must receive the address of the disposable part";
    EXPECT_EQ(Tracked::ownDeletes - deletesBefore, 2)
        << "not deleted through the objects' own operator delete";
    EXPECT_EQ(Tracked::ownNews - newsBefore, 3);

    EXPECT_EQ(RunGarbageCollector(), 0u);
    EXPECT_EQ(log.size(), 4u);
    EXPECT_EQ(unmarked->value, 7);
}

TEST_F(GarbageCollector, NeverTouchesAnObjectItsOwnerDeletedAfterMarkingIt) {
    Tracked* closed = Make("closed", &handler);
    closed->MarkAsDisposable();
    delete closed;

    EXPECT_EQ(PendingDisposables(), 0u);
    EXPECT_EQ(RunGarbageCollector(), 0u);
    EXPECT_THAT(log, ElementsAre("closed destroyed"));
}

TEST_F(GarbageCollector, SkipsAnObjectDeletedByItsOwnerDuringTheRun) {
    Tracked* first = Make("first", &handler);
    Tracked* second = Make("second", &handler);
    first->MarkAsDisposable();
    second->MarkAsDisposable();
    handler.onTold = [&] {
        handler.onTold = nullptr;
        delete second;
    };

    EXPECT_EQ(RunGarbageCollector(), 1u);
    EXPECT_THAT(log, ElementsAre("first destroyed", "handler told of first", "second destroyed"));
}

TEST_F(GarbageCollector, MarksMadeDuringARunWaitForTheNextRun) {
    Tracked* first = Make("first", &handler);
    Tracked* byDestructor = Make("byDestructor", &handler);
    Tracked* byHandler = Make("byHandler", &handler);
    first->onDestroyed = [&] { byDestructor->MarkAsDisposable(); };
    handler.onTold = [&] {
        handler.onTold = nullptr;
        byHandler->MarkAsDisposable();
    };
    first->MarkAsDisposable();

    EXPECT_EQ(RunGarbageCollector(), 1u);
    EXPECT_EQ(PendingDisposables(), 2u);
    EXPECT_EQ(RunGarbageCollector(), 2u);
    EXPECT_THAT(log, ElementsAre("first destroyed", "handler told of first", "byDestructor destroyed",
                                 "handler told of byDestructor", "byHandler destroyed",
                                 "handler told of byHandler"));
}

TEST_F(GarbageCollector, ADestroyedHandlerIsForgotten) {
    auto gone = std::make_unique<Handler>("gone", log);
    Tracked* orphan = Make("orphan", gone.get());
    orphan->MarkAsDisposable();
    gone.reset();

    EXPECT_EQ(RunGarbageCollector(), 1u);
    EXPECT_THAT(log, ElementsAre("orphan destroyed"));
}

TEST_F(GarbageCollector, AHandlerDestroyedWithItsObjectIsNotTold) {
    auto owned = std::make_unique<Handler>("owned", log);
    Tracked* owner = Make("owner", owned.get());
    owner->onDestroyed = [&owned] { owned.reset(); };
    owner->MarkAsDisposable();

    EXPECT_EQ(RunGarbageCollector(), 1u);
    EXPECT_THAT(log, ElementsAre("owner destroyed"));
}

TEST_F(GarbageCollector, AHandlerMayBeRemovedOrReplaced) {
    Handler other("other", log);
    Tracked* silent = Make("silent", &handler);
    Tracked* moved = Make("moved", &handler);
    silent->SetDisposeHandler(nullptr);
    moved->SetDisposeHandler(&other);
    other.Know(*moved);
    silent->MarkAsDisposable();
    moved->MarkAsDisposable();

    EXPECT_EQ(RunGarbageCollector(), 2u);
    EXPECT_THAT(log, ElementsAre("silent destroyed", "moved destroyed", "other told of moved"));
}

TEST_F(GarbageCollector, EachCollectorDeletesOnlyItsOwnObjects) {
    GS::GarbageCollector local;
    Tracked* mine = Make("mine", &handler);
    mine->SetGarbageCollector(local);
    mine->MarkAsDisposable();

    EXPECT_EQ(PendingDisposables(), 0u);
    EXPECT_EQ(PendingDisposables(local), 1u);
    EXPECT_EQ(RunGarbageCollector(), 0u);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(RunGarbageCollector(local), 1u);
    EXPECT_THAT(log, ElementsAre("mine destroyed", "handler told of mine"));
}

TEST_F(GarbageCollector, ADestroyedCollectorForgetsItsObjects) {
    auto local = std::make_unique<GS::GarbageCollector>();
    Tracked* stranded = Make("stranded", &handler);
    stranded->SetGarbageCollector(*local);
    stranded->MarkAsDisposable();
    local.reset();

    EXPECT_EQ(RunGarbageCollector(), 0u);
    EXPECT_TRUE(log.empty());
    delete stranded;
    EXPECT_THAT(log, ElementsAre("stranded destroyed"));
}

TEST_F(GarbageCollector, AMarkMadeBeforeTheCollectorWasSetCountsOnceItIs) {
    auto* early = new Tracked("early", log);
    early->MarkAsDisposable();
    EXPECT_EQ(PendingDisposables(), 0u);
    early->SetGarbageCollector(GS::defaultGarbageCollector);

    EXPECT_EQ(PendingDisposables(), 1u);
    EXPECT_EQ(RunGarbageCollector(), 1u);
    EXPECT_THAT(log, ElementsAre("early destroyed"));
}

TEST_F(GarbageCollector, ARunFromInsideARunDoesNothing) {
    Tracked* first = Make("first", &handler);
    Tracked* second = Make("second", &handler);
    first->MarkAsDisposable();
    second->MarkAsDisposable();
    std::size_t nested = 99;
    handler.onTold = [&] {
        handler.onTold = nullptr;
        nested = RunGarbageCollector();
    };

    testing::internal::CaptureStderr();
    EXPECT_EQ(RunGarbageCollector(), 2u);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "GS::Host::RunGarbageCollector: called while a collector runs; nothing is deleted\n");
    EXPECT_EQ(nested, 0u);
    EXPECT_THAT(log, ElementsAre("first destroyed", "handler told of first", "second destroyed",
                                 "handler told of second"));
}

} // namespace
