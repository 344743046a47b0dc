#include "engine/core/Exception.h"
#include "engine/core/Settings.h"
#include "tests/support/LogCapture.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <Ogre.h>

using Engine::Settings;

using ::Test::ErrorOf;

namespace
{
    const char* exampleFile =
        "<Engine>\n"
        "  <WindowTitle>Gorvane</WindowTitle>\n"
        "  <LogFile>game.log</LogFile>\n"
        "  <ShadowFarDistance>60</ShadowFarDistance>\n"
        "</Engine>\n";

}

TEST(Settings, EveryOperationBeforeCreateFailsWithItsOwnMessage)
{
    EXPECT_EQ(ErrorOf([] { Settings::Get("Engine/LogFile"); }),
              "Error in Engine::Settings::Get(). Call Settings::Create before Get");
    EXPECT_EQ(ErrorOf([] { Settings::GetMap(""); }),
              "Error in Engine::Settings::GetMap(). Call Settings::Create before GetMap");
    EXPECT_EQ(ErrorOf([] { Settings::Load("x.xml"); }),
              "Error in Engine::Settings::Load(). Call Settings::Create before Load");
    EXPECT_EQ(ErrorOf([] { Settings::LoadResource("x.xml"); }),
              "Error in Engine::Settings::LoadResource(). Call Settings::Create before LoadResource");
}

TEST(Settings, ReadsNestedElementsAsSlashSeparatedKeys)
{
    ::Test::TempDir dir;
    Settings::Create();
    Settings::Load(dir.Write("game.xml", exampleFile));
    EXPECT_EQ(Settings::Get("Engine/LogFile"), "game.log");
    EXPECT_EQ(Settings::Get("Engine/ShadowFarDistance"), "60");

    Settings::Load(dir.Write("deep.xml", "<Top><A><B>deep</B></A></Top>"));
    EXPECT_EQ(Settings::Get("Top/A/B"), "deep");
    // Neither the bare top-level name nor an element that holds only elements is a key.
    EXPECT_EQ(ErrorOf([] { Settings::Get("Top"); }), "Error in Engine::Settings::Get(). Can't find Top");
    EXPECT_EQ(ErrorOf([] { Settings::Get("Top/A"); }), "Error in Engine::Settings::Get(). Can't find Top/A");

    const Settings::KeyMap map = Settings::GetMap("Engine/");
    ASSERT_EQ(map.size(), 3u);
    EXPECT_EQ(map.at("Engine/WindowTitle"), "Gorvane");
    EXPECT_EQ(Settings::GetMap("").size(), 4u);
}

TEST(Settings, OnlyTheFirstChildNodeGivesAValue)
{
    ::Test::TempDir dir;
    Settings::Create();
    Settings::Load(dir.Write("rules.xml",
        "<Engine><Text>x<B/></Text><Empty/><A><X/></A><C><!-- note --></C></Engine>"
        "<Skipped><Empty/><Key>v</Key></Skipped>"
        "<Comment><!-- first --><Key>v</Key></Comment>"
        "<OnlyText>hello</OnlyText>"));
    EXPECT_EQ(Settings::Get("Engine/Text"), "x");
    EXPECT_EQ(Settings::Get("Engine/A"), "X"); // an element without children gives its name
    EXPECT_EQ(Settings::Get("Engine/C"), " note ");
    EXPECT_EQ(Settings::GetMap("Engine/Empty").size(), 0u);
    // A top-level element whose first child is a comment or plain text contributes nothing.
    EXPECT_EQ(Settings::GetMap("Comment").size(), 0u);
    EXPECT_EQ(Settings::GetMap("OnlyText").size(), 0u);
    // ... and so does one whose first child is an empty element, whatever follows it.
    EXPECT_EQ(Settings::GetMap("Skipped").size(), 0u);
}

TEST(Settings, FileThatSortsFirstWinsWhateverTheLoadingOrder)
{
    ::Test::TempDir dir;
    Settings::Create();
    Settings::Load(dir.Write("b.xml", "<Engine><Key>from b</Key><OnlyB>b</OnlyB></Engine>"));
    Settings::Load(dir.Write("a.xml", "<Engine><Key>from a</Key></Engine>"));
    EXPECT_EQ(Settings::Get("Engine/Key"), "from a");
    EXPECT_EQ(Settings::GetMap("Engine/").at("Engine/Key"), "from a");
    EXPECT_EQ(Settings::Get("Engine/OnlyB"), "b");

    // Byte-wise order: upper case sorts before lower case.
    Settings::Load(dir.Write("Z.xml", "<Engine><Key>from Z</Key></Engine>"));
    EXPECT_EQ(Settings::Get("Engine/Key"), "from Z");
}

TEST(Settings, ReloadingUpdatesInPlaceAndLaterKeysReplaceEarlierOnes)
{
    ::Test::TempDir dir;
    Settings::Create();
    const std::string file = dir.Write("s.xml", "<Engine><Key>1</Key><Key>2</Key><Old>o</Old></Engine>");
    Settings::Load(file);
    EXPECT_EQ(Settings::Get("Engine/Key"), "2");

    dir.Write("s.xml", "<Engine><Key>3</Key></Engine>");
    Settings::Load(file);
    EXPECT_EQ(Settings::Get("Engine/Key"), "3");
    EXPECT_EQ(Settings::Get("Engine/Old"), "o");

    Settings::Create(); // a second Create keeps what is loaded
    EXPECT_EQ(Settings::Get("Engine/Key"), "3");
}

TEST(Settings, MissingOrMalformedFileFailsAndChangesNothing)
{
    ::Test::TempDir dir;
    ::Test::LogCapture log;
    Settings::Create();
    Settings::Load(dir.Write("good.xml", exampleFile));

    const std::string missing = dir.File("missing.xml");
    const std::string expected = "Error in Engine::Settings::LoadFile(). Error loading settings file " + missing;
    EXPECT_EQ(ErrorOf([&] { Settings::Load(missing); }), expected);
    EXPECT_TRUE(log.Has(expected, Ogre::LML_CRITICAL));

    const std::string broken = dir.Write("broken.xml", "<Engine><LogFile>x</Engine>");
    EXPECT_EQ(ErrorOf([&] { Settings::Load(broken); }),
              "Error in Engine::Settings::LoadFile(). Error loading settings file " + broken);

    // A folder or a device is no settings file either.
    for (const std::string& notAFile : {dir.Path(), std::string("/dev/zero")})
        EXPECT_EQ(ErrorOf([&] { Settings::Load(notAFile); }),
                  "Error in Engine::Settings::LoadFile(). Error loading settings file " + notAFile);
    EXPECT_EQ(Settings::Get("Engine/LogFile"), "game.log");
    EXPECT_EQ(Settings::GetMap("").size(), 3u);
}

TEST(Settings, LoadResourceFindsTheFileInTheGeneralGroup)
{
    ::Test::TempDir dir;
    dir.Write("res/extra.xml", "<Game><Difficulty>hard</Difficulty></Game>");
    Settings::Create();
    EXPECT_EQ(ErrorOf([] { Settings::LoadResource("extra.xml"); }),
              "Error in Engine::Settings::LoadResource(). The engine is not running (no resource system); can't look "
              "up settings file extra.xml");

    Ogre::Root root("", "", "");
    Ogre::ResourceGroupManager::getSingleton().addResourceLocation(dir.File("res"), "FileSystem", "General");
    Ogre::ResourceGroupManager::getSingleton().initialiseAllResourceGroups();

    Settings::LoadResource("extra.xml");
    EXPECT_EQ(Settings::Get("Game/Difficulty"), "hard");
    EXPECT_EQ(Settings::GetMap("").begin()->first, "Game/Difficulty");
    EXPECT_EQ(ErrorOf([] { Settings::LoadResource("nowhere.xml"); }),
              "Error in Engine::Settings::LoadResource(). Can't find nowhere.xml");
}

TEST(Settings, FilesNestedTooDeeplyAreRefusedBeforeTheyAreParsed)
{
    ::Test::TempDir dir;
    Settings::Create();
    std::string open, close;
    for (int i = 0; i < 5000; ++i)
    {
        open += "<a>";
        close += "</a>";
    }
    const std::string deep = dir.Write("deep.xml", "<Engine>" + open + "x" + close + "</Engine>");
    EXPECT_EQ("Error in Engine::Settings::LoadFile(). Error loading settings file " + deep +
                  ": its elements nest deeper than 256 levels",
              ErrorOf([&] { Settings::Load(deep); }));
    // Unclosed, and hidden from a careless count: quoted values and comments do not close
    // anything, and text after a stray end tag at the top still counts.
    const std::string unclosed = dir.Write("unclosed.xml", "</x><Engine a='/>' b=\"</a>\"><!-- </a> -->" + open);
    EXPECT_NE(std::string::npos, ErrorOf([&] { Settings::Load(unclosed); }).find("nest deeper than 256"));

    // A file at the limit still reads, with Windows line ends.
    std::string levels = "<Engine>\r\n";
    for (int i = 1; i < 255; ++i)
        levels += "<a>";
    levels += "deep";
    for (int i = 1; i < 255; ++i)
        levels += "</a>";
    const std::string limit = dir.Write("limit.xml", levels + "\r\n</Engine>\r\n");
    Settings::Load(limit);
    std::string key = "Engine";
    for (int i = 1; i < 255; ++i)
        key += "/a";
    EXPECT_EQ("deep", Settings::Get(key));
}
