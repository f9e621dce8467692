#pragma once

// Two-way links between observers and what they observe, so that either side may go first: a
// subject that dies leaves its observers' lists, an observer that dies leaves its subjects' lists.

#include "Access.hpp"

#include <algorithm>
#include <vector>

namespace DG::Detail {

class ObserverLinks;

class Subject {
public:
    // Drops the observer that owns `links`, which is being destroyed.
    virtual void Forget(const ObserverLinks& links) = 0;

protected:
    Subject() = default;
    ~Subject() = default;
};

// The subjects one observer is attached to.
class ObserverLinks {
public:
    ObserverLinks() = default;
    ObserverLinks(const ObserverLinks&) = delete;
    ObserverLinks& operator=(const ObserverLinks&) = delete;
    ~ObserverLinks() {
        for (Subject* subject : subjects)
            subject->Forget(*this);
    }

    void Add(Subject& subject) { subjects.push_back(&subject); }
    void Remove(Subject& subject) { std::erase(subjects, &subject); }

private:
    std::vector<Subject*> subjects;
};

// One subject's observers, in the order they were attached.
template <typename Observer>
class ObserverList final : public Subject {
public:
    ObserverList() = default;
    ObserverList(const ObserverList&) = delete;
    ObserverList& operator=(const ObserverList&) = delete;
    ~ObserverList() {
        for (Observer* observer : observers)
            Access::Links(*observer).Remove(*this);
    }

    void Attach(Observer& observer) {
        if (IsAttached(observer))
            return;
        observers.push_back(&observer);
        Access::Links(observer).Add(*this);
    }

    void Detach(Observer& observer) {
        if (std::erase(observers, &observer) != 0)
            Access::Links(observer).Remove(*this);
    }

    bool IsAttached(const Observer& observer) const {
        return std::find(observers.begin(), observers.end(), &observer) != observers.end();
    }

    // A copy to walk while callbacks attach and detach.
    std::vector<Observer*> Snapshot() const { return observers; }

    void Forget(const ObserverLinks& links) override {
        std::erase_if(observers,
                      [&links](Observer* observer) { return &Access::Links(*observer) == &links; });
    }

private:
    std::vector<Observer*> observers;
};

} // namespace DG::Detail
