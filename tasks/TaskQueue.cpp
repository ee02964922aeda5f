#include "tasks/TaskQueue.h"

#include "tasks/Task.h"

#include <algorithm>

void TaskQueue::push(Task* task)
{
    const QMutexLocker locker(&m_mutex);
    m_tasks.append(task);
}

Task* TaskQueue::front() const
{
    const QMutexLocker locker(&m_mutex);
    Task* due = nullptr;
    quint64 dueAt = 0;
    for (Task* task : m_tasks) {
        const quint64 next = task->nextRun();
        if (due == nullptr || next < dueAt) {
            due = task;
            dueAt = next;
        }
    }
    return due;
}

void TaskQueue::remove(Task* task)
{
    const QMutexLocker locker(&m_mutex);
    m_tasks.removeOne(task);
}

int TaskQueue::length() const
{
    const QMutexLocker locker(&m_mutex);
    return static_cast<int>(m_tasks.size());
}

QList<Task*> TaskQueue::tasks() const
{
    const QMutexLocker locker(&m_mutex);
    return m_tasks;
}

bool TaskQueue::containsAny(const std::function<bool(const Task*)>& predicate) const
{
    const QMutexLocker locker(&m_mutex);
    return std::any_of(m_tasks.cbegin(), m_tasks.cend(), predicate);
}

void TaskQueue::forEach(const std::function<void(Task*)>& action)
{
    const QMutexLocker locker(&m_mutex);
    for (Task* task : m_tasks)
        action(task);
}

QList<Task*> TaskQueue::takeAll()
{
    const QMutexLocker locker(&m_mutex);
    return std::exchange(m_tasks, {});
}
