#include "Props.h"

#include <cmath>

#include "MeshBuilder.h"
#include "Rig.h"

namespace AssetGen
{
    namespace
    {
        using V = Ogre::Vector3;
        const Ogre::AxisAlignedBox FromGeometry; // a null box: bounds follow the geometry

        void Save(const MeshBuilder& mesh, const std::string& folder, const std::string& name,
                  const Ogre::AxisAlignedBox& bounds = FromGeometry)
        {
            mesh.Build(name, "", bounds, folder + "/" + name);
        }

        // Weapons are modelled in the frame of the hand they are attached to: the barrel runs
        // along -y (the muzzle near (0, -0.25, 0) for the pistol), the top of the gun faces +z
        // and the grip hangs along -z.
        void WritePistol(const std::string& folder)
        {
            MeshBuilder mesh;
            mesh.BeginSubMesh("Object.Metal");
            const BoxUv metal(UvRect{0, 0, 1, 1});
            mesh.AddBox({-0.026f, -0.27f, 0.02f}, {0.026f, 0.05f, 0.09f}, metal);   // slide
            mesh.AddBox({-0.022f, -0.02f, -0.11f}, {0.022f, 0.05f, 0.03f}, metal);  // grip
            mesh.AddBox({-0.008f, -0.08f, -0.03f}, {0.008f, -0.02f, 0.02f}, metal); // trigger guard
            mesh.AddBox({-0.012f, -0.285f, 0.045f}, {0.012f, -0.27f, 0.07f}, metal); // muzzle
            Save(mesh, folder, "Object.Pistol.mesh");
        }

        void WriteShotgun(const std::string& folder)
        {
            // The game rolls the shotgun 12 degrees less than the pistol; the model is rolled back
            // so that both barrels end up along the forearm.
            MeshBuilder mesh;
            mesh.SetTransform(Ogre::Matrix4(Rot(-12, V::UNIT_Z)));
            mesh.BeginSubMesh("Object.Metal");
            mesh.AddCylinder({0, -0.66f, 0.06f}, 0.03f, 0.72f, 8, UvRect{0, 0, 1, 1}, UvRect{0, 0, 1, 1});
            mesh.AddCylinder({0, -0.60f, 0.01f}, 0.022f, 0.5f, 8, UvRect{0, 0, 1, 1}, UvRect{0, 0, 1, 1});
            mesh.AddBox({-0.03f, -0.06f, 0.0f}, {0.03f, 0.10f, 0.09f}, BoxUv(UvRect{0, 0, 1, 1})); // receiver
            mesh.BeginSubMesh("Object.Wood");
            mesh.AddBox({-0.038f, -0.46f, -0.02f}, {0.038f, -0.26f, 0.05f}, BoxUv(UvRect{0, 0, 1, 1})); // pump
            mesh.AddBox({-0.025f, 0.0f, -0.12f}, {0.025f, 0.06f, 0.02f}, BoxUv(UvRect{0, 0, 1, 1}));   // grip
            mesh.AddTaperedBox({-0.035f, 0.08f, -0.06f}, {0.035f, 0.40f, 0.07f}, {1.0f, 1.6f},
                               BoxUv(UvRect{0, 0, 1, 1}));                                             // stock
            Save(mesh, folder, "Object.Shotgun.mesh");
        }

        void WriteGrenade(const std::string& folder)
        {
            MeshBuilder mesh;
            mesh.BeginSubMesh("Object.Grenade");
            mesh.AddSphere({0, -0.02f, 0}, 0.11f, 8, 12, UvRect{0, 0, 2, 1}, {1.0f, 1.2f, 1.0f});
            mesh.BeginSubMesh("Object.Metal");
            mesh.AddCylinder({0, 0.09f, 0}, 0.045f, 0.05f, 8, UvRect{0, 0, 1, 1}, UvRect{0, 0, 1, 1});
            mesh.AddBox({0.035f, 0.03f, -0.015f}, {0.06f, 0.14f, 0.015f}, BoxUv(UvRect{0, 0, 1, 1})); // lever
            Save(mesh, folder, "Object.Grenade.mesh", Ogre::AxisAlignedBox(V(-0.15f), V(0.15f)));
        }

        void WriteCannonball(const std::string& folder)
        {
            MeshBuilder mesh;
            mesh.BeginSubMesh("Object.Cannonball");
            mesh.AddSphere(V::ZERO, 0.25f, 10, 16, UvRect{0, 0, 2, 1});
            Save(mesh, folder, "Object.Cannonball.mesh");
        }

        void WriteQuestionMark(const std::string& folder)
        {
            // A chunky "?" standing on end, about 0.8 tall, centred on the origin.
            MeshBuilder mesh;
            mesh.BeginSubMesh("Object.QuestionMark");
            const BoxUv uv(UvRect{0, 0, 1, 1});
            const float depth = 0.07f, thick = 0.055f;
            const float cx = 0.0f, cy = 0.16f, radius = 0.17f;
            const int segments = 7;
            for (int i = 0; i < segments; ++i)
            {
                // The hook: an arc from the left, over the top, round to the lower right.
                const float a0 = Ogre::Math::PI * (1.0f - 1.45f * i / segments);
                const float a1 = Ogre::Math::PI * (1.0f - 1.45f * (i + 1) / segments);
                const float am = (a0 + a1) * 0.5f;
                const float length = radius * (a0 - a1) + thick;
                Ogre::Matrix4 place;
                place.makeTransform(V(cx + std::cos(am) * radius, cy + std::sin(am) * radius, 0), V::UNIT_SCALE,
                                    Ogre::Quaternion(Ogre::Radian(am), V::UNIT_Z));
                mesh.SetTransform(place);
                mesh.AddBox({-thick, -length * 0.5f, -depth}, {thick, length * 0.5f, depth}, uv);
            }
            mesh.ResetTransform();
            const float endX = cx + std::cos(-0.45f * Ogre::Math::PI) * radius;
            mesh.AddBox({endX - thick - 0.04f, -0.14f, -depth}, {endX + thick - 0.04f, cy - radius + 0.02f, depth}, uv);
            mesh.AddBox({-0.06f - 0.04f + endX, -0.38f, -depth}, {0.06f - 0.04f + endX, -0.26f, depth}, uv); // the dot
            Save(mesh, folder, "Object.QuestionMark.mesh");
        }

        void WriteWall(const std::string& folder)
        {
            // 8 long, 2.5 high, 0.6 thick; the origin at the middle of its foot. The stone texture
            // covers 2 x 2 units.
            MeshBuilder mesh;
            mesh.BeginSubMesh("Arena.Stone");
            BoxUv uv(UvRect{0, 0, 4, 1.25f});
            uv.left = uv.right = UvRect{0, 0, 0.3f, 1.25f};
            uv.top = uv.bottom = UvRect{0, 0, 4, 0.3f};
            mesh.AddBox({-4, 0, -0.3f}, {4, 2.5f, 0.3f}, uv);
            mesh.BeginSubMesh("Arena.DarkStone");
            BoxUv cap(UvRect{0, 0, 4, 0.1f});
            cap.left = cap.right = UvRect{0, 0, 0.35f, 0.1f};
            cap.top = cap.bottom = UvRect{0, 0, 4, 0.35f};
            mesh.AddBox({-4.05f, 2.5f, -0.36f}, {4.05f, 2.7f, 0.36f}, cap);
            mesh.AddBox({-4.05f, 0, -0.34f}, {4.05f, 0.25f, 0.34f}, cap);
            Save(mesh, folder, "Arena.Wall.mesh");
        }

        void WritePillar(const std::string& folder)
        {
            MeshBuilder mesh;
            mesh.BeginSubMesh("Arena.DarkStone");
            mesh.AddBox({-0.6f, 0, -0.6f}, {0.6f, 0.35f, 0.6f}, BoxUv(UvRect{0, 0, 0.6f, 0.18f}));
            mesh.AddBox({-0.62f, 3.6f, -0.62f}, {0.62f, 4.0f, 0.62f}, BoxUv(UvRect{0, 0, 0.6f, 0.2f}));
            mesh.BeginSubMesh("Arena.Stone");
            mesh.AddTaperedBox({-0.45f, 0.35f, -0.45f}, {0.45f, 3.6f, 0.45f}, {0.9f, 0.9f}, BoxUv(UvRect{0, 0, 0.45f, 1.6f}));
            Save(mesh, folder, "Arena.Pillar.mesh");
        }

        void WriteCrate(const std::string& folder, const std::string& name, float size)
        {
            MeshBuilder mesh;
            mesh.BeginSubMesh("Arena.Crate");
            const float h = size * 0.5f;
            mesh.AddBox({-h, 0, -h}, {h, size, h}, BoxUv(UvRect{0, 0, 1, 1}));
            Save(mesh, folder, name);
        }

        void WriteSpawnGrate(const std::string& folder)
        {
            MeshBuilder mesh;
            mesh.BeginSubMesh("Arena.Grate");
            BoxUv uv(UvRect{0, 0, 1, 1});
            uv.left = uv.right = uv.front = uv.back = UvRect{0, 0, 1, 0.04f};
            mesh.AddBox({-0.8f, 0, -0.8f}, {0.8f, 0.05f, 0.8f}, uv);
            Save(mesh, folder, "Arena.SpawnGrate.mesh");
        }

        void WriteBrazier(const std::string& folder)
        {
            MeshBuilder mesh;
            mesh.BeginSubMesh("Object.Metal");
            mesh.AddCylinder({0, 0, 0}, 0.3f, 0.08f, 10, UvRect{0, 0, 2, 0.1f}, UvRect{0, 0, 1, 1});
            mesh.AddCylinder({0, 0.08f, 0}, 0.07f, 0.8f, 8, UvRect{0, 0, 1, 1}, UvRect{0, 0, 1, 1});
            mesh.AddCylinder({0, 0.88f, 0}, 0.18f, 0.22f, 12, UvRect{0, 0, 2, 0.3f}, UvRect{0, 0, 1, 1}, 0.38f);
            mesh.BeginSubMesh("Arena.Embers");
            mesh.AddCylinder({0, 1.05f, 0}, 0.34f, 0.03f, 12, UvRect{0, 0, 1, 1}, UvRect{0, 0, 1, 1}, 0.2f);
            Save(mesh, folder, "Arena.Brazier.mesh");
        }
    }

    void WriteProps(const std::string& folder)
    {
        WritePistol(folder);
        WriteShotgun(folder);
        WriteGrenade(folder);
        WriteCannonball(folder);
        WriteQuestionMark(folder);
        WriteWall(folder);
        WritePillar(folder);
        WriteCrate(folder, "Arena.Crate.mesh", 1.2f);
        WriteCrate(folder, "Arena.CrateSmall.mesh", 0.8f);
        WriteSpawnGrate(folder);
        WriteBrazier(folder);
    }
}
