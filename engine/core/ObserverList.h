#pragma once
#include <algorithm>
#include <cstddef>
#include <vector>

namespace Engine
{
    /// A registry of non-owning observer pointers, notified in order of addition. Observers may
    /// add or remove observers (themselves included) from inside a notification: a walk in
    /// progress calls neither an observer removed before its turn nor one added after the walk
    /// began, and calls nobody twice. Removal during a walk leaves a hole that is closed when
    /// the outermost walk ends.
    template <class T>
    class ObserverList
    {
    public:
        ObserverList() = default;
        ObserverList(const ObserverList& other) : items(other.Snapshot()) {}
        ObserverList& operator=(const ObserverList& other)
        {
            if (this != &other)
                Assign(other.Snapshot());
            return *this;
        }

        /// Appends; no duplicate check (an observer added twice is called twice).
        void Add(T* observer) { items.push_back(observer); }

        /// Removes the first occurrence; nothing when absent.
        void Remove(T* observer)
        {
            auto it = std::find(items.begin(), items.end(), observer);
            if (it == items.end() || !observer)
                return;
            if (walkDepth > 0)
            {
                *it = nullptr;
                holes = true;
            }
            else
            {
                items.erase(it);
            }
        }

        void Clear() { Assign(std::vector<T*>()); }

        bool Empty() const { return Count() == 0; }

        std::size_t Count() const
        {
            return static_cast<std::size_t>(items.size() - std::count(items.begin(), items.end(), nullptr));
        }

        /// The live observers in order.
        std::vector<T*> Snapshot() const
        {
            std::vector<T*> live;
            live.reserve(items.size());
            for (T* item : items)
                if (item)
                    live.push_back(item);
            return live;
        }

        /// Calls notify(observer) for every observer registered when the walk begins and still
        /// registered when its turn comes. Exceptions from notify end the walk and propagate.
        template <class Notify>
        void ForEach(Notify notify)
        {
            const std::size_t count = items.size();
            ++walkDepth;
            try
            {
                // Indexing, not iterators: additions may reallocate the vector.
                for (std::size_t i = 0; i < count && i < items.size(); ++i)
                    if (T* observer = items[i])
                        notify(observer);
            }
            catch (...)
            {
                EndWalk();
                throw;
            }
            EndWalk();
        }

    private:
        void Assign(std::vector<T*> replacement)
        {
            if (walkDepth > 0)
            {
                // Keep the walked positions valid: blank them instead of shrinking the vector.
                std::fill(items.begin(), items.end(), nullptr);
                items.insert(items.end(), replacement.begin(), replacement.end());
                holes = true;
            }
            else
            {
                items.swap(replacement);
            }
        }

        void EndWalk()
        {
            if (--walkDepth == 0 && holes)
            {
                items.erase(std::remove(items.begin(), items.end(), nullptr), items.end());
                holes = false;
            }
        }

        std::vector<T*> items;
        int walkDepth = 0;
        bool holes = false;
    };
}
