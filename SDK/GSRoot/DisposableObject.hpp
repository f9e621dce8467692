#pragma once

// Deferred deletion: an owner that cannot delete an object where it stands (for instance from inside
// one of the object's own callbacks) marks it disposable, and the host deletes it later by running
// the object's garbage collector, which then tells the object's dispose handler.
//
// These classes hold no data of their own: who collects which object, its handler and its mark are
// kept inside GSRoot, in a table that outlives every module, so objects made in a module may be
// destroyed in any order relative to their collector and handler, even at exit. Everything here is
// for the user-interface thread only.

namespace GS {

class DisposableObject;

// Told after a garbage collector has deleted an object that names this handler.
class DisposeHandler {
public:
    DisposeHandler() = default;
    DisposeHandler(const DisposeHandler&) = delete;
    DisposeHandler& operator=(const DisposeHandler&) = delete;
    // Objects that still name this handler forget it: they are deleted later without telling anyone.
    virtual ~DisposeHandler();

    // `object` is the address the deleted object had; it may be compared, never dereferenced.
    virtual void DisposableObjectDeleted(DisposableObject* object) = 0;
};

// Deletes the objects marked disposable that it collects when the host runs it (see the host's
// GarbageCollectorHost.hpp). A collector destroyed before that forgets its objects: they are never
// deleted by it.
class GarbageCollector {
public:
    GarbageCollector() = default;
    GarbageCollector(const GarbageCollector&) = delete;
    GarbageCollector& operator=(const GarbageCollector&) = delete;
    ~GarbageCollector();
};

// The collector the host runs when it is idle.
extern GarbageCollector defaultGarbageCollector;

// Base of objects whose owner may hand them to a garbage collector. Only objects made with new may
// be marked disposable: the collector deletes them through this base's virtual destructor.
class DisposableObject {
public:
    DisposableObject() = default;
    DisposableObject(const DisposableObject&) = delete;
    DisposableObject& operator=(const DisposableObject&) = delete;
    // Leaves its collector, so that an object deleted by its owner after being marked disposable is
    // never deleted again.
    virtual ~DisposableObject();

    void SetGarbageCollector(GarbageCollector& collector);
    // Null removes the handler.
    void SetDisposeHandler(DisposeHandler* handler);
    // The owner gives the object up: its collector deletes it at its next run. Marking twice is the
    // same as marking once.
    void MarkAsDisposable();
};

} // namespace GS
