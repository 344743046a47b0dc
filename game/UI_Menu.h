#pragma once
#include "engine/core/IUpdateListener.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

#include <boost/function.hpp>

namespace Ogre { class OverlayContainer; class OverlayElement; }
namespace OverlayKit { class GUI; class Window; }

/// A small keyboard menu over a full-screen window: the arrow keys move the selection (with a
/// repeat delay shared by all menus), Return runs the selected item. A key already held when the
/// menu appears counts only after it has been released once. Joins the frame loop when made;
/// works only while shown. Its overlay elements belong to the renderer's overlay manager.
class UI_Menu : public Engine::IUpdateListener
{
public:
    /// The window uses `material` ("okit.window" when empty) and shows "Version 1.0".
    explicit UI_Menu(const std::string& material);
    ~UI_Menu();
    UI_Menu(const UI_Menu&) = delete;
    UI_Menu& operator=(const UI_Menu&) = delete;

    std::uint8_t GetPriority() override;
    bool FrameStarted(float seconds) override;
    /// Reads the arrow keys and Return while the menu is shown.
    bool FrameEnded(float seconds) override;

    /// Appends an item; `image` (optional) is a picture shown while the item is selected.
    /// The first item starts selected.
    void AddItem(const std::string& caption, const std::string& image, boost::function<void()> callback);
    void SetFirstItemCaption(const std::string& text);

    void Show();
    /// The key repeat all menus share starts again (a new game's menus repeat alike).
    static void ResetKeyRepeat();
    void Hide();
    bool IsVisible() const;

    std::size_t GetItemCount() const { return items.size(); }
    std::size_t GetSelected() const { return selected; }
    std::string GetCaption(std::size_t item) const;
    Ogre::OverlayElement* GetItemText(std::size_t item) const { return items.at(item).text; }

private:
    struct Item
    {
        Ogre::OverlayElement* text;
        Ogre::OverlayContainer* image;  // null without an image
        boost::function<void()> callback;
    };

    void SetLook(std::size_t item, bool isSelected);
    void MoveSelection(int step);
    /// Whether the menu key (an index into menuKeys) is down and counts: not held since the
    /// menu appeared.
    bool IsPressed(std::size_t key);

    std::unique_ptr<OverlayKit::GUI> gui;
    OverlayKit::Window* window;  // owned by gui
    std::vector<Item> items;
    std::size_t selected;
    bool calledByFrameLoop;
    std::array<bool, 3> heldSinceShown;  // per menu key: down when shown, not yet released
};
