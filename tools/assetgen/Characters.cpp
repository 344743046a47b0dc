#include "Characters.h"

#include <algorithm>
#include <cmath>

#include "MeshBuilder.h"
#include "Rig.h"

namespace AssetGen
{
    namespace
    {
        using V = Ogre::Vector3;
        const V X = V::UNIT_X, Y = V::UNIT_Y, Z = V::UNIT_Z;

        float Smooth(float t) { t = std::clamp(t, 0.0f, 1.0f); return t * t * (3 - 2 * t); }

        // A human of 1.8 units, feet at the origin, facing +z (its left is +x). The right hand's
        // bind orientation turns its frame so that a weapon attached with the game's -42 degree
        // roll about z lines up with the forearm.
        void BuildSkeleton(Rig& rig)
        {
            rig.AddBone("Hips", "", {0, 0.95f, 0});
            rig.AddBone("Spine", "Hips", {0, 0.10f, 0});
            rig.AddBone("Chest", "Spine", {0, 0.22f, 0});
            rig.AddBone("Neck", "Chest", {0, 0.19f, 0});
            rig.AddBone("Head", "Neck", {0, 0.06f, 0});
            for (int side = 0; side < 2; ++side)
            {
                const std::string s = side ? "Right" : "Left";
                const float x = side ? -1.0f : 1.0f;
                rig.AddBone(s + "UpperArm", "Chest", {0.29f * x, 0.15f, 0});
                rig.AddBone(s + "Forearm", s + "UpperArm", {0, -0.28f, 0});
                rig.AddBone(s + "Hand", s + "Forearm", {0, -0.26f, 0}, side ? Rot(42, Z) : Ogre::Quaternion::IDENTITY);
                rig.AddBone(s + "Thigh", "Hips", {0.12f * x, -0.03f, 0});
                rig.AddBone(s + "Shin", s + "Thigh", {0, -0.42f, 0});
                rig.AddBone(s + "Foot", s + "Shin", {0, -0.42f, 0});
            }
        }

        void BuildBody(MeshBuilder& mesh, const Rig& rig, const std::string& material, bool zombie)
        {
            auto C = [](int column, int row) { return UvRect::Cell(column, row); };
            mesh.BeginSubMesh(material);
            auto bone = [&](const char* name) { mesh.SetBone(rig.Handle(name)); };

            BoxUv pants(C(0, 2));
            pants.left = pants.right = C(1, 2);
            BoxUv shirt(C(1, 1));
            shirt.front = C(0, 1);
            BoxUv skin(C(0, 0));
            BoxUv sleeve(C(2, 1));
            BoxUv hands(C(3, 1));
            BoxUv boots(C(2, 2));
            boots.bottom = C(3, 2);

            bone("Hips");
            mesh.AddBox({-0.21f, 0.84f, -0.12f}, {0.21f, 1.02f, 0.12f}, pants);
            bone("Spine");
            mesh.AddBox({-0.20f, 1.02f, -0.115f}, {0.20f, 1.23f, 0.115f}, shirt);
            bone("Chest");
            mesh.AddTaperedBox({-0.22f, 1.22f, -0.13f}, {0.22f, 1.48f, 0.13f}, {1.12f, 0.95f}, shirt);
            bone("Neck");
            mesh.AddBox({-0.07f, 1.45f, -0.06f}, {0.07f, 1.55f, 0.06f}, skin);
            bone("Head");
            BoxUv head(C(3, 0));
            head.front = C(1, 0);
            head.top = C(2, 0);
            head.bottom = C(0, 0);
            if (zombie) // a slack, lopsided skull
                mesh.AddTaperedBox({-0.16f, 1.52f, -0.15f}, {0.16f, 1.80f, 0.16f}, {0.9f, 1.0f}, head);
            else
                mesh.AddBox({-0.16f, 1.52f, -0.15f}, {0.16f, 1.80f, 0.16f}, head);
            if (!zombie) // a cap brim in the hair colour makes the player's facing readable from above
                mesh.AddBox({-0.16f, 1.74f, 0.16f}, {0.16f, 1.77f, 0.26f}, BoxUv(C(2, 0)));

            for (int side = 0; side < 2; ++side)
            {
                const std::string s = side ? "Right" : "Left";
                const float x = side ? -1.0f : 1.0f;
                auto span = [x](float a, float b) { return std::make_pair(std::min(a * x, b * x), std::max(a * x, b * x)); };
                auto [ax0, ax1] = span(0.22f, 0.36f);
                mesh.SetBone(rig.Handle(s + "UpperArm"));
                mesh.AddBox({ax0, 1.14f, -0.075f}, {ax1, 1.47f, 0.075f}, sleeve);
                auto [fx0, fx1] = span(0.235f, 0.345f);
                mesh.SetBone(rig.Handle(s + "Forearm"));
                mesh.AddBox({fx0, 0.88f, -0.06f}, {fx1, 1.15f, 0.06f}, zombie ? skin : sleeve);
                auto [hx0, hx1] = span(0.24f, 0.34f);
                mesh.SetBone(rig.Handle(s + "Hand"));
                mesh.AddBox({hx0, 0.75f, -0.05f}, {hx1, 0.89f, 0.06f}, hands);
                auto [tx0, tx1] = span(0.03f, 0.21f);
                mesh.SetBone(rig.Handle(s + "Thigh"));
                mesh.AddTaperedBox({tx0, 0.50f, -0.09f}, {tx1, 0.93f, 0.09f}, {1.05f, 1.05f}, pants);
                auto [sx0, sx1] = span(0.045f, 0.195f);
                mesh.SetBone(rig.Handle(s + "Shin"));
                mesh.AddBox({sx0, 0.10f, -0.08f}, {sx1, 0.51f, 0.08f}, pants);
                auto [bx0, bx1] = span(0.04f, 0.20f);
                mesh.SetBone(rig.Handle(s + "Foot"));
                mesh.AddBox({bx0, 0.0f, -0.09f}, {bx1, 0.12f, 0.19f}, boots);
            }
        }

        const Ogre::AxisAlignedBox CharacterBounds(V(-0.5f, 0, -0.5f), V(0.5f, 1.8f, 0.5f));


        /// The legs of a walk: swing, knee bend on the forward swing, a little bob of the hips.
        void Legs(Rig::Pose& pose, float w, float swing, float knee, float bob)
        {
            const float s = std::sin(w), c = std::cos(w);
            pose["LeftThigh"].rotation = Rot(-swing * s, X);
            pose["RightThigh"].rotation = Rot(swing * s, X);
            const float kl = 5 + knee * std::max(0.0f, c), kr = 5 + knee * std::max(0.0f, -c);
            pose["LeftShin"].rotation = Rot(kl, X);
            pose["RightShin"].rotation = Rot(kr, X);
            pose["LeftFoot"].rotation = Rot(-kl * 0.3f + swing * 0.3f * s, X);
            pose["RightFoot"].rotation = Rot(-kr * 0.3f - swing * 0.3f * s, X);
            pose["Hips"].translation = V(0, -bob * (0.5f - 0.5f * std::cos(2 * w)), 0);
        }

        /// Every bone with a neutral offset, so each animation keys the whole body.
        Rig::Pose Neutral()
        {
            Rig::Pose pose;
            for (const char* b : {"Hips", "Spine", "Chest", "Neck", "Head", "LeftUpperArm", "LeftForearm", "LeftHand",
                                  "RightUpperArm", "RightForearm", "RightHand", "LeftThigh", "LeftShin", "LeftFoot",
                                  "RightThigh", "RightShin", "RightFoot"})
                pose[b] = Rig::Offset();
            return pose;
        }

        void WritePlayer(const std::string& folder)
        {
            Rig rig("Character.Player.skeleton");
            BuildSkeleton(rig);
            const float L = 1.0f;
            auto walk = [L](float t) {
                const float w = Ogre::Math::TWO_PI * t / L;
                Rig::Pose pose = Neutral();
                Legs(pose, w, 28, 40, 0.03f);
                pose["Chest"].rotation = Rot(6 * std::sin(w), Y);
                pose["LeftUpperArm"].rotation = Rot(24 * std::sin(w), X);
                pose["RightUpperArm"].rotation = Rot(-24 * std::sin(w), X);
                pose["LeftForearm"].rotation = Rot(-18, X);
                pose["RightForearm"].rotation = Rot(-18, X);
                return pose;
            };
            rig.AddAnimation("Walk1", L, 24, walk);
            rig.AddAnimation("Walk_Pistol", L, 24, [L, walk](float t) {
                const float w = Ogre::Math::TWO_PI * t / L;
                Rig::Pose pose = walk(t);
                pose["Chest"].rotation = Rot(3 * std::sin(w), Y);
                pose["RightUpperArm"].rotation = Rot(-84 + 2 * std::sin(2 * w), X);
                pose["RightForearm"].rotation = Ogre::Quaternion::IDENTITY;
                return pose;
            });
            rig.AddAnimation("Walk_Shotgun", L, 24, [L, walk](float t) {
                const float w = Ogre::Math::TWO_PI * t / L;
                Rig::Pose pose = walk(t);
                pose["Chest"].rotation = Rot(-12, Y);
                pose["RightUpperArm"].rotation = Rot(-74 + 2 * std::sin(2 * w), X) ;
                pose["RightForearm"].rotation = Rot(-8, X);
                pose["LeftUpperArm"].rotation = Rot(-38, Z) * Rot(-62 + 2 * std::sin(2 * w), X);
                pose["LeftForearm"].rotation = Rot(-45, X);
                return pose;
            });
            MeshBuilder mesh;
            BuildBody(mesh, rig, "Character.Player", false);
            rig.Export(folder + "/Character.Player.skeleton");
            mesh.Build("Character.Player.mesh", rig.Name(), CharacterBounds, folder + "/Character.Player.mesh");
        }

        void WriteZombie(const std::string& folder)
        {
            Rig rig("Character.Zombie.skeleton");
            BuildSkeleton(rig);
            rig.AddAnimation("Idle1", 2.0f, 24, [](float t) {
                const float w = Ogre::Math::TWO_PI * t / 2.0f;
                Rig::Pose pose = Neutral();
                pose["Hips"].translation = V(0, -0.03f, 0);
                pose["Chest"].rotation = Rot(14 + 3 * std::sin(w), X);
                pose["Head"].rotation = Rot(10 * std::sin(w), Z) * Rot(14, X);
                pose["LeftUpperArm"].rotation = Rot(6, Z) * Rot(6 * std::sin(w), X);
                pose["RightUpperArm"].rotation = Rot(-6, Z) * Rot(-6 * std::sin(w), X);
                pose["LeftForearm"].rotation = Rot(-10, X);
                pose["RightForearm"].rotation = Rot(-14, X);
                for (const char* side : {"Left", "Right"})
                {
                    pose[std::string(side) + "Thigh"].rotation = Rot(-10, X);
                    pose[std::string(side) + "Shin"].rotation = Rot(18, X);
                    pose[std::string(side) + "Foot"].rotation = Rot(-8, X);
                }
                return pose;
            });
            rig.AddAnimation("Walk1", 1.2f, 24, [](float t) {
                const float w = Ogre::Math::TWO_PI * t / 1.2f;
                Rig::Pose pose = Neutral();
                Legs(pose, w, 22, 30, 0.05f);
                pose["RightShin"].rotation = Rot(5 + 12 * std::max(0.0f, -std::cos(w)), X); // a stiff leg: the limp
                pose["Hips"].translation += V(0.035f * std::sin(w), 0, 0);
                pose["Chest"].rotation = Rot(6 * std::sin(w), Z) * Rot(14, X);
                pose["Head"].rotation = Rot(-12 * std::sin(w), Z) * Rot(10, X);
                pose["LeftUpperArm"].rotation = Rot(-82 + 7 * std::sin(w), X);
                pose["RightUpperArm"].rotation = Rot(-74 - 7 * std::sin(w), X);
                pose["LeftForearm"].rotation = Rot(-8, X);
                pose["RightForearm"].rotation = Rot(-16, X);
                return pose;
            });
            rig.AddAnimation("Punch", 0.6f, 24, [](float t) {
                Rig::Pose pose = Neutral();
                const float wind = Smooth(t / 0.3f) * (1 - Smooth((t - 0.3f) / 0.1f));
                const float strike = Smooth((t - 0.3f) / 0.12f) * (1 - Smooth((t - 0.45f) / 0.15f));
                pose["Chest"].rotation = Rot(-22 * wind + 24 * strike, Y) * Rot(12 + 10 * strike, X);
                pose["RightUpperArm"].rotation = Rot(40 * wind - 100 * strike, X);
                pose["RightForearm"].rotation = Rot(-70 * wind - 5 * strike, X);
                pose["LeftUpperArm"].rotation = Rot(-30 * wind + 15 * strike, X);
                pose["LeftThigh"].rotation = Rot(-18 * strike, X);
                pose["LeftShin"].rotation = Rot(14 * strike, X);
                pose["RightShin"].rotation = Rot(10 * wind, X);
                return pose;
            });
            rig.AddAnimation("Attacked2", 1.0f, 24, [](float t) {
                // Thrown back hard: fully recoiled from 0.2 s to 0.6 s (the corpse keeps the pose at
                // 0.5 s), then recovering.
                const float r = Smooth(t / 0.2f) * (1 - Smooth((t - 0.6f) / 0.4f));
                Rig::Pose pose = Neutral();
                pose["Hips"].translation = V(0, -0.12f * r, -0.08f * r);
                pose["Spine"].rotation = Rot(-12 * r, X);
                pose["Chest"].rotation = Rot(-28 * r, X) * Rot(10 * r, Z);
                pose["Head"].rotation = Rot(-38 * r, X) * Rot(-12 * r, Z);
                pose["LeftUpperArm"].rotation = Rot(65 * r, Z) * Rot(-35 * r, X);
                pose["RightUpperArm"].rotation = Rot(-55 * r, Z) * Rot(-50 * r, X);
                pose["LeftForearm"].rotation = Rot(-35 * r, X);
                pose["RightForearm"].rotation = Rot(-25 * r, X);
                pose["LeftThigh"].rotation = Rot(-28 * r, X);
                pose["LeftShin"].rotation = Rot(40 * r, X);
                pose["RightThigh"].rotation = Rot(-8 * r, X);
                pose["RightShin"].rotation = Rot(30 * r, X);
                return pose;
            });
            MeshBuilder mesh;
            BuildBody(mesh, rig, "Character.Zombie1", true);
            rig.Export(folder + "/Character.Zombie.skeleton");
            mesh.Build("Character.Zombie.mesh", rig.Name(), CharacterBounds, folder + "/Character.Zombie.mesh");
        }
    }

    void WriteCharacters(const std::string& folder)
    {
        WritePlayer(folder);
        WriteZombie(folder);
    }
}
