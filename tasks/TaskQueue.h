#pragma once

#include <QList>
#include <QMutex>

#include <functional>

class Task;

// The runner's tasks in insertion order. The main thread pushes (unlock and wake-up
// tasks) while the runner's thread walks and removes, so every access takes the lock.
// The queue does not own the tasks; the runner does.
class TaskQueue
{
public:
    void push(Task* task);
    // The task due first; on equal due times the one earlier in the list.
    Task* front() const;
    void remove(Task* task);
    int length() const;
    QList<Task*> tasks() const;
    bool containsAny(const std::function<bool(const Task*)>& predicate) const;
    // Calls `action` for each task under the lock, so none is removed and destroyed meanwhile.
    void forEach(const std::function<void(Task*)>& action);
    // Empties the queue and hands the tasks over.
    QList<Task*> takeAll();

private:
    mutable QMutex m_mutex;
    QList<Task*> m_tasks;
};
