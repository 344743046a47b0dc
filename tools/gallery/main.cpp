// gallery: renders every mesh, the named animations at points of their cycle, every material on
// a quad, the particle effects and the arena seen from the game camera into PNG files, so that
// the generated data can be looked at. Needs a display (run it through tools/gallery/run.sh).
#include <cmath>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>
#include <vector>

#include <Ogre.h>
#include <OgreShadowCameraSetupLiSPSM.h>
#include <tinyxml.h>

namespace
{
    const int Width = 480, Height = 360;

    struct Gallery
    {
        Ogre::Root* root = nullptr;
        Ogre::RenderWindow* window = nullptr;
        Ogre::SceneManager* scene = nullptr;
        Ogre::Camera* camera = nullptr;
        Ogre::SceneNode* cameraNode = nullptr;
        Ogre::Viewport* viewport = nullptr;
        std::string output;
        std::string data;

        void Start()
        {
            root = new Ogre::Root("", "", "gallery.log");
            const std::string plugins = GORVANE_OGRE_PLUGIN_DIR;
            for (const char* p : {"RenderSystem_GL", "Plugin_ParticleFX", "Codec_STBI", "Plugin_OctreeSceneManager"})
                root->loadPlugin(plugins + "/" + p);
            Ogre::RenderSystem* system = root->getRenderSystemByName("OpenGL Rendering Subsystem");
            system->setConfigOption("Full Screen", "No");
            root->setRenderSystem(system);
            root->initialise(false);
            Ogre::NameValuePairList options;
            options["vsync"] = "false";
            window = root->createRenderWindow("Gallery", Width, Height, false, &options);
            window->setAutoUpdated(false);
            // The game's own resource file (its paths are relative to the program folder, where
            // run.sh starts the gallery), plus the scene's particle systems.
            Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
            Ogre::ConfigFile resources;
            resources.load(data + "/configs/resources.cfg", "\t:=", true);
            for (const auto& [group, settings] : resources.getSettingsBySection())
                for (const auto& [type, location] : settings)
                    groups.addResourceLocation(location, type, group);
            groups.addResourceLocation(data + "/particles", "FileSystem", "General");
            groups.initialiseAllResourceGroups();
        }

        void NewScene(const Ogre::ColourValue& background, const Ogre::ColourValue& ambient, bool shadows)
        {
            if (scene)
            {
                window->removeAllViewports();
                root->destroySceneManager(scene);
            }
            scene = root->createSceneManager();
            scene->setAmbientLight(ambient);
            if (shadows)
            {
                // The shadow set-up the engine's scene uses.
                scene->setShadowTechnique(Ogre::SHADOWTYPE_TEXTURE_MODULATIVE_INTEGRATED);
                scene->setShadowTextureFadeStart(0.1f);
                scene->setShadowDirectionalLightExtrusionDistance(100);
                Ogre::LiSPSMShadowCameraSetup* setup = new Ogre::LiSPSMShadowCameraSetup();
                setup->setOptimalAdjustFactor(0.5f);
                scene->setShadowCameraSetup(Ogre::ShadowCameraSetupPtr(setup));
                scene->setShadowTextureSettings(1024, 2, Ogre::PF_X8R8G8B8);
                scene->setShadowColour(ambient * 0.1f);
                scene->setShadowFarDistance(60);
            }
            camera = scene->createCamera("Camera");
            camera->setNearClipDistance(0.1f);
            camera->setAutoAspectRatio(true);
            cameraNode = scene->getRootSceneNode()->createChildSceneNode();
            cameraNode->setFixedYawAxis(true);
            cameraNode->attachObject(camera);
            viewport = window->addViewport(camera);
            viewport->setBackgroundColour(background);
        }

        void Look(const Ogre::Vector3& from, const Ogre::Vector3& at, float fov = 40)
        {
            camera->setFOVy(Ogre::Degree(fov));
            cameraNode->setPosition(from);
            cameraNode->lookAt(at, Ogre::Node::TS_WORLD);
        }

        /// Hangs a light on its own node pointing along `direction`.
        void Aim(Ogre::Light* light, const Ogre::Vector3& direction,
                 const Ogre::Vector3& position = Ogre::Vector3::ZERO, Ogre::SceneNode* parent = nullptr)
        {
            Ogre::SceneNode* node = (parent ? parent : scene->getRootSceneNode())->createChildSceneNode(position);
            node->setDirection(direction.normalisedCopy(), Ogre::Node::TS_WORLD);
            node->attachObject(light);
        }

        void StudioLights()
        {
            Ogre::Light* key = scene->createLight();
            key->setType(Ogre::Light::LT_DIRECTIONAL);
            Aim(key, Ogre::Vector3(-0.5f, -1, -0.7f));
            key->setDiffuseColour(1, 0.97f, 0.9f);
            key->setSpecularColour(0.5f, 0.5f, 0.5f);
            Ogre::Light* fill = scene->createLight();
            fill->setType(Ogre::Light::LT_DIRECTIONAL);
            Aim(fill, Ogre::Vector3(0.7f, -0.3f, 0.6f));
            fill->setDiffuseColour(0.3f, 0.35f, 0.45f);
            fill->setSpecularColour(0, 0, 0);
        }

        void Shoot(const std::string& name)
        {
            root->renderOneFrame();
            window->update();
            window->writeContentsToFile(output + "/" + name + ".png");
        }

        /// Frames a box from the front-left and above.
        void Frame(const Ogre::AxisAlignedBox& box, float yaw = 35, float pitch = 22)
        {
            const Ogre::Vector3 centre = box.getCenter();
            const float radius = box.getHalfSize().length();
            const float distance = radius / std::tan(Ogre::Degree(16).valueRadians()) * 1.05f;
            const Ogre::Quaternion q = Ogre::Quaternion(Ogre::Degree(yaw), Ogre::Vector3::UNIT_Y) *
                                       Ogre::Quaternion(Ogre::Degree(-pitch), Ogre::Vector3::UNIT_X);
            Look(centre + q * Ogre::Vector3(0, 0, distance), centre);
        }
    };

    void Meshes(Gallery& g)
    {
        for (const char* mesh : {"Character.Player", "Object.Pistol", "Object.Shotgun", "Object.Grenade",
                                 "Object.QuestionMark", "Object.Cannonball", "Arena.Wall", "Arena.Pillar", "Arena.Crate",
                                 "Arena.CrateSmall", "Arena.SpawnGrate", "Arena.Brazier"})
        {
            g.NewScene(Ogre::ColourValue(0.22f, 0.23f, 0.27f), Ogre::ColourValue(0.45f, 0.45f, 0.5f), false);
            g.StudioLights();
            Ogre::Entity* e = g.scene->createEntity(std::string(mesh) + ".mesh");
            g.scene->getRootSceneNode()->createChildSceneNode()->attachObject(e);
            g.Frame(e->getBoundingBox());
            g.Shoot(std::string("mesh_") + mesh);
        }
        // The zombie in its three variants, side by side.
        g.NewScene(Ogre::ColourValue(0.22f, 0.23f, 0.27f), Ogre::ColourValue(0.45f, 0.45f, 0.5f), false);
        g.StudioLights();
        for (int v = 1; v <= 3; ++v)
        {
            Ogre::Entity* e = g.scene->createEntity("Character.Zombie.mesh");
            e->setMaterialName("Character.Zombie" + std::to_string(v));
            g.scene->getRootSceneNode()->createChildSceneNode(Ogre::Vector3((v - 2) * 1.2f, 0, 0))->attachObject(e);
        }
        g.Look({-1.5f, 1.9f, 4.6f}, {0, 0.9f, 0});
        g.Shoot("mesh_Character.Zombie_variants");
    }

    void Animations(Gallery& g)
    {
        struct Clip
        {
            const char* mesh;
            const char* animation;
            const char* weapon;
            float roll;
        };
        const std::vector<Clip> clips = {{"Character.Player", "Walk_Pistol", "Object.Pistol", -42},
                                         {"Character.Player", "Walk_Shotgun", "Object.Shotgun", -30},
                                         {"Character.Player", "Walk1", nullptr, 0},
                                         {"Character.Zombie", "Idle1", nullptr, 0},
                                         {"Character.Zombie", "Walk1", nullptr, 0},
                                         {"Character.Zombie", "Punch", nullptr, 0},
                                         {"Character.Zombie", "Attacked2", nullptr, 0}};
        for (const Clip& clip : clips)
        {
            g.NewScene(Ogre::ColourValue(0.22f, 0.23f, 0.27f), Ogre::ColourValue(0.45f, 0.45f, 0.5f), false);
            g.StudioLights();
            std::vector<Ogre::AnimationState*> states;
            for (int k = 0; k < 4; ++k)
            {
                Ogre::Entity* e = g.scene->createEntity(std::string(clip.mesh) + ".mesh");
                if (clip.weapon)
                    e->attachObjectToBone("RightHand", g.scene->createEntity(std::string(clip.weapon) + ".mesh"),
                                          Ogre::Quaternion(Ogre::Degree(clip.roll), Ogre::Vector3::UNIT_Z));
                Ogre::SceneNode* node = g.scene->getRootSceneNode()->createChildSceneNode(Ogre::Vector3((k - 1.5f) * 1.3f, 0, 0));
                node->yaw(Ogre::Degree(-60));
                node->attachObject(e);
                Ogre::AnimationState* state = e->getAnimationState(clip.animation);
                state->setEnabled(true);
                state->setTimePosition(state->getLength() * k / 4.0f);
            }
            g.Look({0, 2.2f, 5.6f}, {0, 0.85f, 0}, 45);
            g.Shoot(std::string("anim_") + clip.mesh + "_" + clip.animation);
        }
    }

    void Materials(Gallery& g)
    {
        for (const char* material : {"Floor.Arena1", "Sky.Stars", "Arena.Stone", "Arena.DarkStone", "Arena.Crate",
                                     "Arena.Grate", "HUD.Background", "Menu.Hud.HealthBar", "Menu.Hud.PowerBar",
                                     "Menu.Main.Background", "Logo.Quillmark", "Logo.Voltaro", "okit.window",
                                     "Character.Player", "Character.Zombie1", "Character.Zombie2", "Character.Zombie3",
                                     "Object.QuestionMark", "Particle/Flare", "Particle/Blood"})
        {
            // With the game's shadow set-up, so that materials receiving shadows show as in the game.
            g.NewScene(Ogre::ColourValue(0.35f, 0.35f, 0.38f), Ogre::ColourValue(1, 1, 1), true);
            Ogre::Light* light = g.scene->createLight();
            light->setType(Ogre::Light::LT_DIRECTIONAL);
            g.Aim(light, Ogre::Vector3(0, 0, -1));
            Ogre::ManualObject* quad = g.scene->createManualObject();
            const float aspect = std::string(material).find("Logo") == 0 ? 2.0f
                                 : std::string(material).find("Bar") != std::string::npos ? 5.0f
                                 : std::string(material).find("Menu.Main") == 0 ? 1.33f : 1.0f;
            quad->begin(material);
            const float w = aspect > 1 ? 1.0f : aspect, h = aspect > 1 ? 1.0f / aspect : 1.0f;
            quad->position(-w, -h, 0); quad->normal(0, 0, 1); quad->textureCoord(0, 1); quad->colour(1, 1, 1, 1);
            quad->position(w, -h, 0);  quad->normal(0, 0, 1); quad->textureCoord(1, 1); quad->colour(1, 1, 1, 1);
            quad->position(w, h, 0);   quad->normal(0, 0, 1); quad->textureCoord(1, 0); quad->colour(1, 1, 1, 1);
            quad->position(-w, h, 0);  quad->normal(0, 0, 1); quad->textureCoord(0, 0); quad->colour(1, 1, 1, 1);
            quad->quad(0, 1, 2, 3);
            quad->end();
            g.scene->getRootSceneNode()->attachObject(quad);
            g.Look({0, 0, 3.6f}, {0, 0, 0}, 35);
            std::string file = material;
            std::replace(file.begin(), file.end(), '/', '_');
            g.Shoot("material_" + file);
        }
    }

    void Effects(Gallery& g)
    {
        for (const char* effect : {"PistolSpark", "Spark", "BloodSplat", "Blood", "PowerUp", "Grenade", "Fire"})
        {
            for (float t : {0.05f, 0.3f})
            {
                g.NewScene(Ogre::ColourValue(0.08f, 0.08f, 0.1f), Ogre::ColourValue(0.4f, 0.4f, 0.4f), false);
                Ogre::ParticleSystem* ps = g.scene->createParticleSystem("Effect", std::string("Particle/") + effect);
                Ogre::SceneNode* node = g.scene->getRootSceneNode()->createChildSceneNode(Ogre::Vector3(0, 0.5f, 0));
                node->setDirection(Ogre::Vector3(1, 0.3f, 0), Ogre::Node::TS_WORLD);
                node->attachObject(ps);
                // Floor grid for scale.
                Ogre::ManualObject* grid = g.scene->createManualObject();
                grid->begin("BaseWhiteNoLighting", Ogre::RenderOperation::OT_LINE_LIST);
                for (int i = -3; i <= 3; ++i)
                {
                    grid->position(i, 0, -3); grid->colour(0.3f, 0.3f, 0.3f);
                    grid->position(i, 0, 3);  grid->colour(0.3f, 0.3f, 0.3f);
                    grid->position(-3, 0, i); grid->colour(0.3f, 0.3f, 0.3f);
                    grid->position(3, 0, i);  grid->colour(0.3f, 0.3f, 0.3f);
                }
                grid->end();
                g.scene->getRootSceneNode()->attachObject(grid);
                g.Look({0, 2.5f, 5.0f}, {0, 0.8f, 0}, 45);
                const float duration = std::string(effect) == "Fire" ? 2.0f : t;
                ps->fastForward(duration, 0.01f);
                std::ostringstream name;
                name << "effect_" << effect << "_" << static_cast<int>(duration * 1000) << "ms";
                g.Shoot(name.str());
                if (std::string(effect) == "Fire")
                    break;
            }
        }
    }

    // --- The arena, built the way the game builds it: scene entities from their templates, the
    // floor quad, the sky plane, and a few characters and effects placed for the picture.

    std::map<std::string, TiXmlElement> LoadTemplates(const std::string& folder, const TiXmlElement& scene)
    {
        std::map<std::string, TiXmlElement> templates;
        const TiXmlElement* files = scene.FirstChildElement("EntityTemplates");
        for (const TiXmlElement* f = files ? files->FirstChildElement("File") : nullptr; f; f = f->NextSiblingElement("File"))
        {
            TiXmlDocument doc(folder + "/" + f->Attribute("Location"));
            if (!doc.LoadFile())
                throw std::runtime_error("can't read template file " + std::string(f->Attribute("Location")));
            for (const TiXmlElement* t = doc.RootElement()->FirstChildElement(); t; t = t->NextSiblingElement())
                templates.emplace(t->Value(), *t);
        }
        return templates;
    }

    Ogre::SceneNode* Place(Gallery& g, const std::map<std::string, TiXmlElement>& templates, const std::string& type,
                           const Ogre::Vector3& position, const Ogre::Quaternion& rotation = Ogre::Quaternion::IDENTITY)
    {
        static int counter = 0;
        const TiXmlElement& t = templates.at(type);
        Ogre::SceneNode* node = g.scene->getRootSceneNode()->createChildSceneNode(position, rotation);
        for (const TiXmlElement* c = t.FirstChildElement(); c; c = c->NextSiblingElement())
        {
            const std::string kind = c->Value();
            if (kind == "Mesh")
            {
                Ogre::Entity* e = g.scene->createEntity(c->Attribute("File"));
                if (c->Attribute("Material"))
                    e->setMaterialName(c->Attribute("Material"));
                if (c->Attribute("CastShadows"))
                    e->setCastShadows(std::string(c->Attribute("CastShadows")) == "true");
                node->attachObject(e);
            }
            else if (kind == "Light")
            {
                Ogre::Light* l = g.scene->createLight();
                const std::string type = c->Attribute("Type");
                l->setType(type == "Point" ? Ogre::Light::LT_POINT
                                           : type == "Spot" ? Ogre::Light::LT_SPOTLIGHT : Ogre::Light::LT_DIRECTIONAL);
                if (c->Attribute("Diffuse"))
                    l->setDiffuseColour(Ogre::StringConverter::parseColourValue(c->Attribute("Diffuse")));
                if (c->Attribute("Specular"))
                    l->setSpecularColour(Ogre::StringConverter::parseColourValue(c->Attribute("Specular")));
                if (c->Attribute("Attenuation"))
                {
                    const Ogre::ColourValue a = Ogre::StringConverter::parseColourValue(c->Attribute("Attenuation"));
                    l->setAttenuation(a.r, a.g, a.b, a.a);
                }
                if (c->Attribute("CastShadows"))
                    l->setCastShadows(std::string(c->Attribute("CastShadows")) == "true");
                const Ogre::Vector3 direction = type != "Point" && c->Attribute("Direction")
                                                    ? Ogre::StringConverter::parseVector3(c->Attribute("Direction"))
                                                    : Ogre::Vector3::NEGATIVE_UNIT_Z;
                const Ogre::Vector3 offset = c->Attribute("Position")
                                                 ? Ogre::StringConverter::parseVector3(c->Attribute("Position"))
                                                 : Ogre::Vector3::ZERO;
                g.Aim(l, direction, offset, node);
            }
            else if (kind == "Particle")
            {
                Ogre::ParticleSystem* ps = g.scene->createParticleSystem(std::string(c->Attribute("Source")) + "#" + std::to_string(counter++),
                                                                         c->Attribute("Source"));
                node->attachObject(ps);
            }
        }
        return node;
    }

    void Arena(Gallery& g)
    {
        TiXmlDocument doc(g.data + "/scenes/arena2.xml");
        if (!doc.LoadFile())
            throw std::runtime_error("can't read arena2.xml");
        const TiXmlElement* sceneElement = doc.RootElement();
        const auto templates = LoadTemplates(g.data + "/templates", *sceneElement);

        for (int view = 0; view < 3; ++view)
        {
            g.NewScene(Ogre::ColourValue(0, 0, 0), Ogre::StringConverter::parseColourValue(sceneElement->Attribute("AmbientLight")),
                       true);
            Ogre::Plane sky;
            sky.normal = Ogre::Vector3::NEGATIVE_UNIT_Y;
            sky.d = 500;
            g.scene->setSkyPlane(true, sky, "Sky.Stars", 1000, 50, false, 0, 1, 1);
            Ogre::ManualObject* floor = g.scene->createManualObject("Ground");
            floor->begin("Floor.Arena1");
            floor->position(-50, 0, -50); floor->normal(0, 1, 0); floor->textureCoord(0, 0);
            floor->position(50, 0, -50);  floor->normal(0, 1, 0); floor->textureCoord(25, 0);
            floor->position(50, 0, 50);   floor->normal(0, 1, 0); floor->textureCoord(25, 25);
            floor->position(-50, 0, 50);  floor->normal(0, 1, 0); floor->textureCoord(0, 25);
            floor->quad(3, 2, 1, 0);
            floor->end();
            floor->setCastShadows(false);
            g.scene->getRootSceneNode()->createChildSceneNode(Ogre::Vector3(0, 0.01f, 0))->attachObject(floor);

            const TiXmlElement* entities = sceneElement->FirstChildElement("Entities");
            for (const TiXmlElement* e = entities->FirstChildElement("Entity"); e; e = e->NextSiblingElement("Entity"))
            {
                const Ogre::Vector3 p = Ogre::StringConverter::parseVector3(e->Attribute("Position"));
                const Ogre::Quaternion q = e->Attribute("Rotation")
                                               ? Ogre::StringConverter::parseQuaternion(e->Attribute("Rotation"))
                                               : Ogre::Quaternion::IDENTITY;
                Place(g, templates, e->Attribute("Type"), p, q);
            }

            // A moment of a game: the player shooting at a small crowd.
            Ogre::SceneNode* player = Place(g, templates, "Character.Player", Ogre::Vector3(0, 0, -1));
            Ogre::Entity* body = static_cast<Ogre::Entity*>(player->getAttachedObject(0));
            body->attachObjectToBone("RightHand", g.scene->createEntity("Object.Pistol.mesh"),
                                     Ogre::Quaternion(Ogre::Degree(-42), Ogre::Vector3::UNIT_Z));
            body->getAnimationState("Walk_Pistol")->setEnabled(true);
            body->getAnimationState("Walk_Pistol")->setTimePosition(0.3f);
            const std::vector<std::pair<std::string, Ogre::Vector3>> crowd = {
                {"Character.Zombie1", {1.6f, 0, 3.2f}}, {"Character.Zombie2", {-1.8f, 0, 4.2f}},
                {"Character.Zombie3", {0.4f, 0, 5.6f}}, {"Character.Zombie1", {3.5f, 0, 6.2f}}};
            int k = 0;
            for (const auto& [type, position] : crowd)
            {
                Ogre::SceneNode* z = Place(g, templates, type, position);
                z->setDirection((Ogre::Vector3(0, 0, -1) - position) * Ogre::Vector3(1, 0, 1), Ogre::Node::TS_WORLD,
                                Ogre::Vector3::UNIT_Z);
                Ogre::Entity* ze = static_cast<Ogre::Entity*>(z->getAttachedObject(0));
                ze->getAnimationState("Walk1")->setEnabled(true);
                ze->getAnimationState("Walk1")->setTimePosition(0.3f * k++);
            }
            Ogre::SceneNode* corpse = Place(g, templates, "Character.DeadZombie", Ogre::Vector3(-2.5f, 0.5f, 1.5f),
                                            Ogre::Quaternion(Ogre::Degree(-90), Ogre::Vector3::UNIT_X));
            Ogre::Entity* ce = static_cast<Ogre::Entity*>(corpse->getAttachedObject(0));
            ce->setMaterialName("Character.Zombie2");
            ce->getAnimationState("Attacked2")->setEnabled(true);
            ce->getAnimationState("Attacked2")->setTimePosition(0.5f);
            Place(g, templates, "Object.QuestionMark", Ogre::Vector3(-3, 1, -3));
            Place(g, templates, "Bullet.Grenade", Ogre::Vector3(2.5f, 0.15f, -2.5f));
            Ogre::SceneNode* splat = Place(g, templates, "Particle.BloodSplat", Ogre::Vector3(1.5f, 1.2f, 3.0f));
            splat->setDirection(Ogre::Vector3(-0.3f, 0.2f, -1), Ogre::Node::TS_WORLD);
            Place(g, templates, "Particle.Blood", Ogre::Vector3(-2.2f, 0, 1.6f));
            Place(g, templates, "Particle.Grenade", Ogre::Vector3(4, 0, -5));
            Ogre::SceneNode* flash = Place(g, templates, "Particle.PistolSpark", Ogre::Vector3(-0.32f, 1.25f, -0.3f));
            flash->setDirection(Ogre::Vector3(0, 0, 1), Ogre::Node::TS_WORLD);
            for (const auto& entry : g.scene->getMovableObjects("ParticleSystem"))
            {
                Ogre::ParticleSystem* ps = static_cast<Ogre::ParticleSystem*>(entry.second);
                const std::string& n = ps->getName();
                ps->fastForward(n.find("Fire") != std::string::npos    ? 2.0f
                                : n.find("/Blood#") != std::string::npos ? 1.5f
                                                                         : 0.12f,
                                0.01f);
            }
            if (view == 0)
            {
                // The game camera: behind and above the player, looking at its feet.
                g.camera->setNearClipDistance(1);
                g.Look(Ogre::Vector3(0, 8, -6), Ogre::Vector3(0, 0, -1), 70);
                g.Shoot("arena_game_camera");
            }
            else if (view == 1)
            {
                g.camera->setNearClipDistance(1);
                g.Look(Ogre::Vector3(-16, 22, -20), Ogre::Vector3(0, 0, 0), 60);
                g.Shoot("arena_overview");
            }
            else
            {
                g.camera->setNearClipDistance(0.5f);
                g.Look(Ogre::Vector3(-4, 2.2f, -6), Ogre::Vector3(0, 1, 2), 60);
                g.Shoot("arena_close");
            }
        }
    }
}

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::cerr << "usage: gallery <data folder> <output folder>\n";
        return 2;
    }
    Gallery g;
    g.data = argv[1];
    g.output = argv[2];
    try
    {
        std::filesystem::create_directories(g.output);
        g.Start();
        Meshes(g);
        Animations(g);
        Materials(g);
        Effects(g);
        Arena(g);
    }
    catch (const Ogre::Exception& e)
    {
        std::cerr << "gallery: " << e.getFullDescription() << "\n";
        return 1;
    }
    catch (const std::exception& e)
    {
        std::cerr << "gallery: " << e.what() << "\n";
        return 1;
    }
    delete g.root;
    return 0;
}
