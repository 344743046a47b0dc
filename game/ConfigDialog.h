#pragma once
#include <string>
#include <vector>

namespace Ogre { class RenderSystem; }
typedef struct _GtkWidget GtkWidget;
typedef struct _GtkListStore GtkListStore;

/// The render-system dialog shown at every start: a modal window titled "Gorvane" that lists the
/// renderer's render systems and the options of the chosen one (the first render system when
/// nothing was saved), lets the user change option values, and on confirmation makes the chosen
/// render system current and saves the renderer's configuration. It works directly on the
/// renderer root, which must exist.
///
/// Return confirms and Escape cancels wherever the focus is. The operations below are what the
/// controls do; they are public so that the dialog can be driven without a user.
class ConfigDialog
{
public:
    /// Builds the dialog's window (not shown yet) and fills it from the renderer root: the saved
    /// configuration is restored and its render system, when there is one, is selected.
    /// Throws Ogre::Exception (source "ConfigDialog::display") when no window can be made,
    /// for example when there is no display.
    ConfigDialog();
    ~ConfigDialog();

    /// Shows the dialog and waits for the user. True when the user confirmed a valid
    /// configuration (which is then current and saved), false when the dialog was cancelled or
    /// closed.
    bool Display();

    /// Saves the renderer's configuration. A file that can't be written (a player folder
    /// that could not be made) is a warning in the log: the game plays on with the choice.
    static void SaveChoice();

    /// Selection of a render system by its index in the renderer's list.
    void SelectRenderSystem(int index);
    /// Selection of an option line: shows its name and fills the values list.
    void SelectOption(int index);
    /// Selection of a value of the selected option: sets it on the chosen render system.
    void SelectValue(int index);
    /// The confirm button: true when the configuration is valid and now current and saved;
    /// otherwise a warning box says why (and is waited for) and false is returned.
    bool Confirm();

    /// What the controls show.
    Ogre::RenderSystem* GetChosenRenderSystem() const { return chosen; }
    std::vector<std::string> GetRenderSystemNames() const;
    int GetSelectedRenderSystem() const;
    std::vector<std::string> GetOptionLines() const;
    int GetSelectedOption() const;
    std::string GetOptionLabel() const;
    std::vector<std::string> GetValues() const;
    int GetSelectedValue() const;
    bool ValuesEnabled() const;
    GtkWidget* GetWindow() const { return window; }

private:
    ConfigDialog(const ConfigDialog&) = delete;
    ConfigDialog& operator=(const ConfigDialog&) = delete;

    void FillOptions();
    void ClearValues();
    void Warn(const std::string& text);

    Ogre::RenderSystem* chosen;
    std::vector<Ogre::RenderSystem*> renderSystems;
    std::string selectedOption;   // name of the option whose values are listed
    bool filling;                 // controls are being filled: their change signals are ours

    GtkWidget* window;
    GtkWidget* renderSystemList;
    GtkListStore* optionLines;
    GtkWidget* optionView;
    GtkWidget* optionLabel;
    GtkWidget* valueList;
};
