#pragma once
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <boost/function.hpp>

#include "engine/core/Error.h"

namespace Engine
{
    /// Creates products by key through registered allocators (functions returning a new
    /// product held by Ptr). `className` is the class text that error messages carry, fixed by
    /// each factory so that the messages read the same on every compiler.
    template <class Product, class Key, class Ptr>
    class Factory
    {
    public:
        typedef boost::function<Ptr ()> Allocator;

        explicit Factory(const std::string& className) : className(className) {}
        virtual ~Factory() = default;

        /// A key already present is an error.
        void Register(const Key& key, Allocator allocator)
        {
            if (allocators.count(key))
                ThrowError(className + "::Register", "Product id is not unique");
            allocators[key] = allocator;
        }

        /// An absent key is an error.
        void Unregister(const Key& key)
        {
            auto it = allocators.find(key);
            if (it == allocators.end())
                ThrowError(className + "::Unregister", "Can't find the specified allocator");
            allocators.erase(it);
        }

        bool IsRegistered(Key key) const
        {
            return allocators.count(key) != 0;
        }

        /// A new product from the key's allocator; an absent key is an error.
        Ptr Create(const Key& key) const
        {
            auto it = allocators.find(key);
            if (it == allocators.end())
            {
                std::ostringstream text;
                text << "No allocator found for " << key;
                ThrowError(className + "::Create", text.str());
            }
            return it->second();
        }

        /// Every key in order.
        std::vector<Key> GetRegisteredIdentifiers() const
        {
            std::vector<Key> keys;
            keys.reserve(allocators.size());
            for (const auto& entry : allocators)
                keys.push_back(entry.first);
            return keys;
        }

    private:
        std::string className;
        std::map<Key, Allocator> allocators;
    };
}
