#include "ConfigDialog.h"

#include "engine/core/Error.h"

#include <Ogre.h>
#include <gtk/gtk.h>

#include <cstdlib>

namespace
{
    const char* const dialogTitle = "Gorvane";
    const char* const noOptionText = "[Click On An Option]:";

    // The toolkit is started once per process. It must not switch the process to the user's
    // locale: numbers in the game's data files are read with a decimal point.
    void StartToolkit()
    {
        static bool started = false;
        if (started)
            return;
        gtk_disable_setlocale();
        // The dialog's window class names the game (the renderer's window has none).
        if (!g_get_prgname())
            g_set_prgname("gorvane");
        if (!gtk_init_check(nullptr, nullptr))
        {
            const char* display = std::getenv("DISPLAY");
            const std::string reason = display && *display
                ? std::string("Cannot open display \"") + display + "\""
                : std::string("Cannot open a display: DISPLAY is not set");
            throw Ogre::Exception(Ogre::Exception::ERR_RENDERINGAPI_ERROR,
                                  reason + "; the render-system dialog needs one", "ConfigDialog::display");
        }
        started = true;
    }

    // Lets the window system see what was just shown, changed or destroyed.
    void Flush()
    {
        while (gtk_events_pending())
            gtk_main_iteration_do(FALSE);
    }

    const Ogre::ConfigOption* NthOption(const Ogre::RenderSystem* system, int index)
    {
        if (!system || index < 0)
            return nullptr;
        const Ogre::ConfigOptionMap& options = system->getConfigOptions();
        if (index >= static_cast<int>(options.size()))
            return nullptr;
        auto option = options.begin();
        std::advance(option, index);
        return &option->second;
    }

    gboolean OnKey(GtkWidget* window, GdkEventKey* event, gpointer)
    {
        switch (event->keyval)
        {
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
            gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_OK);
            return TRUE;
        case GDK_KEY_Escape:
            gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_CANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    }

    void OnRenderSystemChanged(GtkComboBox* list, gpointer self)
    {
        static_cast<ConfigDialog*>(self)->SelectRenderSystem(gtk_combo_box_get_active(list));
    }

    void OnValueChanged(GtkComboBox* list, gpointer self)
    {
        static_cast<ConfigDialog*>(self)->SelectValue(gtk_combo_box_get_active(list));
    }

    int SelectedRow(GtkWidget* view)
    {
        GtkTreeModel* model = nullptr;
        GtkTreeIter row;
        if (!gtk_tree_selection_get_selected(gtk_tree_view_get_selection(GTK_TREE_VIEW(view)), &model, &row))
            return -1;
        GtkTreePath* path = gtk_tree_model_get_path(model, &row);
        const int index = gtk_tree_path_get_indices(path)[0];
        gtk_tree_path_free(path);
        return index;
    }

    void OnOptionChanged(GtkTreeSelection* selection, gpointer self)
    {
        ConfigDialog& dialog = *static_cast<ConfigDialog*>(self);
        const int index = SelectedRow(GTK_WIDGET(gtk_tree_selection_get_tree_view(selection)));
        if (index >= 0)
            dialog.SelectOption(index);
    }

    // The texts of a list's rows (a combo box's texts are its model's first column too).
    std::vector<std::string> RowTexts(GtkTreeModel* model)
    {
        std::vector<std::string> texts;
        GtkTreeIter row;
        for (gboolean more = gtk_tree_model_get_iter_first(model, &row); more; more = gtk_tree_model_iter_next(model, &row))
        {
            gchar* text = nullptr;
            gtk_tree_model_get(model, &row, 0, &text, -1);
            texts.push_back(text ? text : "");
            g_free(text);
        }
        return texts;
    }
}

ConfigDialog::ConfigDialog()
    : chosen(nullptr), filling(false), window(nullptr), renderSystemList(nullptr), optionLines(nullptr),
      optionView(nullptr), optionLabel(nullptr), valueList(nullptr)
{
    StartToolkit();

    window = gtk_dialog_new();
    g_object_ref_sink(window);
    gtk_window_set_title(GTK_WINDOW(window), dialogTitle);
    gtk_window_set_modal(GTK_WINDOW(window), TRUE);
    gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    gtk_dialog_add_button(GTK_DIALOG(window), "_OK", GTK_RESPONSE_OK);
    gtk_dialog_add_button(GTK_DIALOG(window), "_Cancel", GTK_RESPONSE_CANCEL);
    gtk_dialog_set_default_response(GTK_DIALOG(window), GTK_RESPONSE_OK);
    g_signal_connect(window, "key-press-event", G_CALLBACK(OnKey), this);

    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(window));
    gtk_container_set_border_width(GTK_CONTAINER(content), 8);
    gtk_box_set_spacing(GTK_BOX(content), 8);

    GtkWidget* systemRow = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    gtk_box_pack_start(GTK_BOX(systemRow), gtk_label_new("Rendering Subsystem:"), FALSE, FALSE, 0);
    renderSystemList = gtk_combo_box_text_new();
    gtk_box_pack_start(GTK_BOX(systemRow), renderSystemList, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(content), systemRow, FALSE, FALSE, 0);

    GtkWidget* group = gtk_frame_new("Rendering System Options");
    GtkWidget* groupBox = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
    gtk_container_set_border_width(GTK_CONTAINER(groupBox), 8);
    gtk_container_add(GTK_CONTAINER(group), groupBox);

    optionLines = gtk_list_store_new(1, G_TYPE_STRING);
    optionView = gtk_tree_view_new_with_model(GTK_TREE_MODEL(optionLines));
    gtk_tree_view_set_headers_visible(GTK_TREE_VIEW(optionView), FALSE);
    gtk_tree_view_append_column(GTK_TREE_VIEW(optionView),
        gtk_tree_view_column_new_with_attributes("", gtk_cell_renderer_text_new(), "text", 0, nullptr));
    GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
    gtk_widget_set_size_request(scroller, 380, 180);
    gtk_container_add(GTK_CONTAINER(scroller), optionView);
    gtk_box_pack_start(GTK_BOX(groupBox), scroller, TRUE, TRUE, 0);

    GtkWidget* valueRow = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    optionLabel = gtk_label_new(noOptionText);
    gtk_box_pack_start(GTK_BOX(valueRow), optionLabel, FALSE, FALSE, 0);
    valueList = gtk_combo_box_text_new();
    gtk_box_pack_start(GTK_BOX(valueRow), valueList, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(groupBox), valueRow, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(content), group, TRUE, TRUE, 0);

    g_signal_connect(renderSystemList, "changed", G_CALLBACK(OnRenderSystemChanged), this);
    g_signal_connect(gtk_tree_view_get_selection(GTK_TREE_VIEW(optionView)), "changed", G_CALLBACK(OnOptionChanged), this);
    g_signal_connect(valueList, "changed", G_CALLBACK(OnValueChanged), this);

    // What a previous run saved comes back as the starting point.
    Ogre::Root& root = Ogre::Root::getSingleton();
    try
    {
        root.restoreConfig();
    }
    catch (const Ogre::Exception&)
    {
        // An unreadable saved configuration: the user chooses afresh.
    }
    chosen = root.getRenderSystem();
    for (Ogre::RenderSystem* system : root.getAvailableRenderers())
        renderSystems.push_back(system);
    // A first start has nothing saved: the first render system, with its own options, is the
    // shown choice, so that Return starts the game instead of asking for a choice nobody sees.
    if (!chosen && !renderSystems.empty())
        chosen = renderSystems.front();

    filling = true;
    for (std::size_t i = 0; i < renderSystems.size(); ++i)
    {
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(renderSystemList), renderSystems[i]->getName().c_str());
        if (renderSystems[i] == chosen)
            gtk_combo_box_set_active(GTK_COMBO_BOX(renderSystemList), static_cast<int>(i));
    }
    filling = false;
    ClearValues();
    FillOptions();
}

ConfigDialog::~ConfigDialog()
{
    gtk_widget_destroy(window);
    g_object_unref(window);
    g_object_unref(optionLines);
    Flush();
}

bool ConfigDialog::Display()
{
    gtk_widget_show_all(window);
    bool confirmed = false;
    for (;;)
    {
        const gint response = gtk_dialog_run(GTK_DIALOG(window));
        if (response != GTK_RESPONSE_OK)
            break;
        if (Confirm())
        {
            confirmed = true;
            break;
        }
    }
    gtk_widget_hide(window);
    Flush();
    return confirmed;
}

void ConfigDialog::SelectRenderSystem(int index)
{
    if (filling || index < 0 || index >= static_cast<int>(renderSystems.size()))
        return;
    chosen = renderSystems[index];
    if (gtk_combo_box_get_active(GTK_COMBO_BOX(renderSystemList)) != index)
    {
        filling = true;
        gtk_combo_box_set_active(GTK_COMBO_BOX(renderSystemList), index);
        filling = false;
    }
    // The option shown belonged to the previous render system.
    filling = true;
    gtk_tree_selection_unselect_all(gtk_tree_view_get_selection(GTK_TREE_VIEW(optionView)));
    filling = false;
    ClearValues();
    FillOptions();
}

void ConfigDialog::SelectOption(int index)
{
    if (filling)
        return;
    const Ogre::ConfigOption* option = NthOption(chosen, index);
    if (!option)
        return;
    if (SelectedRow(optionView) != index)
    {
        filling = true;
        GtkTreePath* path = gtk_tree_path_new_from_indices(index, -1);
        gtk_tree_selection_select_path(gtk_tree_view_get_selection(GTK_TREE_VIEW(optionView)), path);
        gtk_tree_path_free(path);
        filling = false;
    }

    selectedOption = option->name;
    gtk_label_set_text(GTK_LABEL(optionLabel), option->name.c_str());
    filling = true;
    gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(valueList));
    for (std::size_t i = 0; i < option->possibleValues.size(); ++i)
    {
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(valueList), option->possibleValues[i].c_str());
        if (option->possibleValues[i] == option->currentValue)
            gtk_combo_box_set_active(GTK_COMBO_BOX(valueList), static_cast<int>(i));
    }
    filling = false;
    gtk_widget_set_sensitive(valueList, !option->immutable);
}

void ConfigDialog::SelectValue(int index)
{
    if (filling || !chosen || selectedOption.empty() || index < 0)
        return;
    const Ogre::ConfigOptionMap& options = chosen->getConfigOptions();
    const auto option = options.find(selectedOption);
    if (option == options.end() || option->second.immutable ||
        index >= static_cast<int>(option->second.possibleValues.size()))
        return;
    chosen->setConfigOption(selectedOption, option->second.possibleValues[index]);
    if (gtk_combo_box_get_active(GTK_COMBO_BOX(valueList)) != index)
    {
        filling = true;
        gtk_combo_box_set_active(GTK_COMBO_BOX(valueList), index);
        filling = false;
    }
    FillOptions();
}

bool ConfigDialog::Confirm()
{
    if (!chosen)
    {
        Warn("Please choose a rendering system.");
        return false;
    }
    const Ogre::String problem = chosen->validateConfigOptions();
    if (!problem.empty())
    {
        FillOptions();
        Warn(problem);
        return false;
    }
    Ogre::Root::getSingleton().setRenderSystem(chosen);
    SaveChoice();
    return true;
}

void ConfigDialog::SaveChoice()
{
    try
    {
        Ogre::Root::getSingleton().saveConfig();
    }
    catch (const Ogre::Exception& e)
    {
        Engine::LogWarning("ConfigDialog::SaveChoice", "The renderer choice is not kept: " + e.getDescription());
    }
}

void ConfigDialog::FillOptions()
{
    // Lines "name: value"; the selected line stays selected.
    const int selected = SelectedRow(optionView);
    filling = true;
    gtk_list_store_clear(optionLines);
    if (chosen)
    {
        for (const auto& entry : chosen->getConfigOptions())
        {
            const std::string line = entry.second.name + ": " + entry.second.currentValue;
            GtkTreeIter row;
            gtk_list_store_append(optionLines, &row);
            gtk_list_store_set(optionLines, &row, 0, line.c_str(), -1);
        }
        if (selected >= 0 && selected < static_cast<int>(chosen->getConfigOptions().size()))
        {
            GtkTreePath* path = gtk_tree_path_new_from_indices(selected, -1);
            gtk_tree_selection_select_path(gtk_tree_view_get_selection(GTK_TREE_VIEW(optionView)), path);
            gtk_tree_path_free(path);
        }
    }
    filling = false;
}

void ConfigDialog::ClearValues()
{
    selectedOption.clear();
    gtk_label_set_text(GTK_LABEL(optionLabel), noOptionText);
    filling = true;
    gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(valueList));
    filling = false;
    gtk_widget_set_sensitive(valueList, FALSE);
}

void ConfigDialog::Warn(const std::string& text)
{
    GtkWidget* box = gtk_message_dialog_new(GTK_WINDOW(window), GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                                            GTK_MESSAGE_WARNING, GTK_BUTTONS_OK, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(box), dialogTitle);
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
    Flush();
}

std::vector<std::string> ConfigDialog::GetRenderSystemNames() const
{
    return RowTexts(gtk_combo_box_get_model(GTK_COMBO_BOX(renderSystemList)));
}

int ConfigDialog::GetSelectedRenderSystem() const
{
    return gtk_combo_box_get_active(GTK_COMBO_BOX(renderSystemList));
}

std::vector<std::string> ConfigDialog::GetOptionLines() const
{
    return RowTexts(GTK_TREE_MODEL(optionLines));
}

int ConfigDialog::GetSelectedOption() const
{
    return SelectedRow(optionView);
}

std::string ConfigDialog::GetOptionLabel() const
{
    return gtk_label_get_text(GTK_LABEL(optionLabel));
}

std::vector<std::string> ConfigDialog::GetValues() const
{
    return RowTexts(gtk_combo_box_get_model(GTK_COMBO_BOX(valueList)));
}

int ConfigDialog::GetSelectedValue() const
{
    return gtk_combo_box_get_active(GTK_COMBO_BOX(valueList));
}

bool ConfigDialog::ValuesEnabled() const
{
    return gtk_widget_get_sensitive(valueList);
}
