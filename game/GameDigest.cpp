#include "GameDigest.h"
#include "LogicRunner.h"
#include "UI_Hud.h"

#include "engine/scene/Entity.h"
#include "engine/scene/Scene.h"

#include <Ogre.h>

#include <cstring>
#include <iomanip>
#include <sstream>

namespace
{
    const char* const zombieType = "Character.Zombie";  // followed by the variant's digit

    std::uint64_t Bits(float value)
    {
        std::uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return bits;
    }

    // A strong mix of one zombie's exact figures; the crowd's hash is the sum of them, so it
    // does not depend on the order the scene keeps its entities in.
    std::uint64_t Mix(std::uint64_t x)
    {
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
        return x ^ (x >> 31);
    }

    int Health(const Engine::Entity& entity)
    {
        return entity.HasAttribute("Health") ? entity.GetAttributeInt("Health") : 0;
    }

    template <class Value>
    std::string Text(Value value)
    {
        std::ostringstream text;
        text << std::setprecision(9) << value;
        return text.str();
    }

    template <class Value>
    bool Differs(const char* field, Value recorded, Value now, std::string& difference)
    {
        if (std::memcmp(&recorded, &now, sizeof recorded) == 0)
            return false;
        difference = std::string(field) + " is " + Text(recorded) + " in the recording and " + Text(now) + " in this run";
        return true;
    }
}

GameDigest GameDigest::Take(const LogicRunner& logic, std::uint32_t second)
{
    GameDigest digest;
    digest.second = second;
    digest.kills = logic.GetKillCount();
    digest.score = hudInstance ? hudInstance->GetScore() : 0.0f;
    if (const boost::shared_ptr<Engine::Entity> player = logic.GetPlayer().lock())
    {
        if (Ogre::SceneNode* node = player->GetSceneNode())
        {
            const Ogre::Vector3 position = node->getPosition();
            digest.playerX = position.x;
            digest.playerY = position.y;
            digest.playerZ = position.z;
        }
        digest.playerHealth = Health(*player);
    }
    const std::size_t prefix = std::strlen(zombieType);
    for (const boost::shared_ptr<Engine::Entity>& entity : Engine::Scene::GetSingleton()->GetEntities())
    {
        const std::string& type = entity->GetType();
        Ogre::SceneNode* node = entity->GetSceneNode();
        if (type.size() != prefix + 1 || type.compare(0, prefix, zombieType) != 0 || !node)
            continue;
        const Ogre::Vector3 position = node->getPosition();
        const int health = Health(*entity);
        ++digest.zombies;
        digest.zombieHealth += health;
        digest.zombieX += position.x;
        digest.zombieZ += position.z;
        digest.zombieHash += Mix(Bits(position.x) ^ (Bits(position.y) << 32)) ^
                             Mix(Bits(position.z) ^ (std::uint64_t(std::uint32_t(health)) << 32));
    }
    return digest;
}

std::string GameDigest::FirstDifference(const GameDigest& recorded, const GameDigest& now)
{
    std::string difference;
    Differs("player.x", recorded.playerX, now.playerX, difference) ||
        Differs("player.y", recorded.playerY, now.playerY, difference) ||
        Differs("player.z", recorded.playerZ, now.playerZ, difference) ||
        Differs("player.health", recorded.playerHealth, now.playerHealth, difference) ||
        Differs("score", recorded.score, now.score, difference) ||
        Differs("kills", recorded.kills, now.kills, difference) ||
        Differs("zombies.count", recorded.zombies, now.zombies, difference) ||
        Differs("zombies.health", recorded.zombieHealth, now.zombieHealth, difference) ||
        Differs("zombies.x", recorded.zombieX, now.zombieX, difference) ||
        Differs("zombies.z", recorded.zombieZ, now.zombieZ, difference) ||
        Differs("zombies.hash", recorded.zombieHash, now.zombieHash, difference);
    return difference;
}
