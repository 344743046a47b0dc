#include "game/ConfigDialog.h"

#include "tests/support/TempDir.h"

#include <Ogre.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <memory>
#include <string>

namespace
{
    const char* const openGL = "OpenGL Rendering Subsystem";

    // Answers the next warning box the dialog shows, as a user clicking its button would, and
    // keeps what it said.
    struct WarningAnswer
    {
        std::string title;
        std::string text;
        int boxes = 0;
        guint source;

        WarningAnswer() : source(g_timeout_add(20, &WarningAnswer::Look, this)) {}
        ~WarningAnswer()
        {
            if (!boxes)
                g_source_remove(source);
        }

        static gboolean Look(gpointer self)
        {
            WarningAnswer& answer = *static_cast<WarningAnswer*>(self);
            GList* windows = gtk_window_list_toplevels();
            for (GList* item = windows; item; item = item->next)
            {
                if (!GTK_IS_MESSAGE_DIALOG(item->data) || !gtk_widget_get_visible(GTK_WIDGET(item->data)))
                    continue;
                gchar* text = nullptr;
                g_object_get(item->data, "text", &text, nullptr);
                answer.text = text ? text : "";
                g_free(text);
                answer.title = gtk_window_get_title(GTK_WINDOW(item->data));
                ++answer.boxes;
                gtk_dialog_response(GTK_DIALOG(item->data), GTK_RESPONSE_OK);
            }
            g_list_free(windows);
            return answer.boxes ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
        }
    };

    class ConfigDialogTest : public ::testing::Test
    {
    protected:
        void StartRenderer()
        {
            root.reset(new Ogre::Root(GORVANE_BUILD_DIR "/data/configs/plugins.cfg", dir.File("ogre.cfg"), dir.File("ogre.log")));
        }

        static int IndexOf(const std::vector<std::string>& list, const std::string& entry)
        {
            const auto found = std::find(list.begin(), list.end(), entry);
            return found == list.end() ? -1 : static_cast<int>(found - list.begin());
        }

        ::Test::TempDir dir;
        std::unique_ptr<Ogre::Root> root;
    };
}

TEST_F(ConfigDialogTest, WithNothingSavedTheFirstRenderSystemIsShownAndTheChosenOptionsAreSavedOnConfirm)
{
    StartRenderer();
    ConfigDialog dialog;
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(dialog.GetWindow())), "Gorvane");
    // A first start: the first render system and its options are shown, ready for Return.
    ASSERT_FALSE(root->getAvailableRenderers().empty());
    EXPECT_EQ(dialog.GetSelectedRenderSystem(), 0);
    EXPECT_EQ(dialog.GetChosenRenderSystem(), root->getAvailableRenderers().front());
    EXPECT_EQ(dialog.GetOptionLines().size(), root->getAvailableRenderers().front()->getConfigOptions().size());
    EXPECT_FALSE(dialog.GetOptionLines().empty());
    EXPECT_EQ(dialog.GetOptionLabel(), "[Click On An Option]:");
    EXPECT_FALSE(dialog.ValuesEnabled());
    EXPECT_EQ(root->getRenderSystem(), nullptr);

    const int gl = IndexOf(dialog.GetRenderSystemNames(), openGL);
    ASSERT_GE(gl, 0);
    dialog.SelectRenderSystem(gl);
    Ogre::RenderSystem* system = root->getRenderSystemByName(openGL);
    EXPECT_EQ(dialog.GetChosenRenderSystem(), system);
    const std::vector<std::string> lines = dialog.GetOptionLines();
    ASSERT_EQ(lines.size(), system->getConfigOptions().size());
    const int fullScreen = IndexOf(lines, "Full Screen: " + system->getConfigOptions().at("Full Screen").currentValue);
    ASSERT_GE(fullScreen, 0);

    dialog.SelectOption(fullScreen);
    EXPECT_EQ(dialog.GetOptionLabel(), "Full Screen");
    EXPECT_TRUE(dialog.ValuesEnabled());
    const std::vector<std::string> values = dialog.GetValues();
    const int no = IndexOf(values, "No");
    const int yes = IndexOf(values, "Yes");
    ASSERT_GE(no, 0);
    ASSERT_GE(yes, 0);
    EXPECT_EQ(values[dialog.GetSelectedValue()], system->getConfigOptions().at("Full Screen").currentValue);

    // A new value goes to the render system at once; the line shows it and stays selected.
    dialog.SelectValue(yes);
    dialog.SelectValue(no);
    EXPECT_EQ(system->getConfigOptions().at("Full Screen").currentValue, "No");
    EXPECT_EQ(dialog.GetOptionLines()[fullScreen], "Full Screen: No");
    EXPECT_EQ(dialog.GetSelectedOption(), fullScreen);

    EXPECT_TRUE(dialog.Confirm());
    EXPECT_EQ(root->getRenderSystem(), system);
    const std::string saved = ::Test::ReadFile(dir.File("ogre.cfg"));
    EXPECT_NE(saved.find(std::string("Render System=") + openGL), std::string::npos) << saved;
    EXPECT_NE(saved.find("Full Screen=No"), std::string::npos) << saved;
}

TEST_F(ConfigDialogTest, ASavedConfigurationComesBackSelected)
{
    dir.Write("ogre.cfg", std::string("Render System=") + openGL + "\n\n[" + openGL + "]\nFull Screen=No\n");
    StartRenderer();
    ConfigDialog dialog;
    ASSERT_EQ(dialog.GetChosenRenderSystem(), root->getRenderSystemByName(openGL));
    EXPECT_EQ(dialog.GetRenderSystemNames()[dialog.GetSelectedRenderSystem()], openGL);
    const std::vector<std::string> lines = dialog.GetOptionLines();
    EXPECT_GE(IndexOf(lines, "Full Screen: No"), 0);

    // Choosing the render system again starts the option choice afresh.
    dialog.SelectOption(0);
    dialog.SelectRenderSystem(dialog.GetSelectedRenderSystem());
    EXPECT_EQ(dialog.GetOptionLabel(), "[Click On An Option]:");
    EXPECT_TRUE(dialog.GetValues().empty());
    EXPECT_FALSE(dialog.ValuesEnabled());
}

TEST_F(ConfigDialogTest, WithoutAnyRenderSystemConfirmAsksForOneAndStays)
{
    dir.Write("plugins.cfg", "# no plug-ins\n");
    root.reset(new Ogre::Root(dir.File("plugins.cfg"), dir.File("ogre.cfg"), dir.File("ogre.log")));
    ConfigDialog dialog;
    EXPECT_EQ(dialog.GetSelectedRenderSystem(), -1);
    EXPECT_TRUE(dialog.GetOptionLines().empty());
    WarningAnswer answer;
    EXPECT_FALSE(dialog.Confirm());
    EXPECT_EQ(answer.boxes, 1);
    EXPECT_EQ(answer.title, "Gorvane");
    EXPECT_EQ(answer.text, "Please choose a rendering system.");
    EXPECT_EQ(root->getRenderSystem(), nullptr);
}
