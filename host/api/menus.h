// The host's menus: menu bars, menus, commands and separators, each an object with an id of its
// own kind, and the item chains the client walks and reorders. The host's three menu bars and
// four separators exist from start-up; everything else is defined by clients. A menu, command or
// separator may be an item of several menus; each menu keeps its own order of items.
#pragma once

#include "host/model/vocab.h"
#include "support/api_types.h"

#include <cstdint>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lxhost {

// The menu objects' id kinds (kKindMenuBar, kKindMenu, kKindCommand, kKindSeparator), the
// named types 55 and 57 and the menu properties 1923 and 1927 are the host vocabulary's.
constexpr std::int32_t kPropMenuLabel = 30;

// The menu bars and separators every host has.
constexpr const char* kMenuBarDocument = "!MakerMainMenu";
constexpr const char* kMenuBarBook = "!BookMainMenu";
constexpr const char* kMenuBarQuick = "!QuickMakerMainMenu";
inline constexpr const char* kStandardSeparators[] = {"Separator1", "Separator2", "Separator3",
                                                      "Separator4"};

enum class MenuKind { MenuBar, Menu, Command, Separator };

struct MenuObject {
    ObjectId id = 0;
    MenuKind kind = MenuKind::Menu;
    std::string tag;
    std::string label;
    std::string shortcut;
    std::int32_t command = 0;    // the client's number of a command
    std::vector<ObjectId> items; // a menu's or menu bar's items, in order
    ObjectId firstMenu = 0;      // the menu the object was first added to; 0 while in none
};

// The menu objects of one host session. Operations return 0 or a host error code; ids are never
// reused.
class MenuModel {
  public:
    MenuModel();

    // True when the id's kind is one of the menu kinds (whether or not such an object exists).
    static bool IsMenuId(ObjectId id);

    const MenuObject* Get(ObjectId id) const;
    // The named menu or menu bar (type 55) or separator (type 57); 0 when none.
    ObjectId FindNamed(std::int32_t type, std::string_view name) const;

    std::int32_t DefineMenu(std::string_view tag, std::string_view label, ObjectId* result);
    std::int32_t DefineAndAddMenu(ObjectId target, std::string_view tag, std::string_view label,
                                  ObjectId* result);
    std::int32_t AddMenuToMenu(ObjectId target, ObjectId menu);
    std::int32_t AddCommandToMenu(ObjectId menu, ObjectId item);
    std::int32_t DefineAndAddCommand(std::int32_t number, ObjectId menu, std::string_view tag,
                                     std::string_view label, std::string_view shortcut,
                                     ObjectId* result);

    // Properties 1927 and 1923. doc is 0 (the application) or a menu that holds obj.
    std::int32_t GetId(ObjectId doc, ObjectId obj, std::int32_t prop, ObjectId* result) const;
    // Property 1923: moves obj to stand just before value (0: at the end) in the menu doc.
    std::int32_t SetId(ObjectId doc, ObjectId obj, std::int32_t prop, ObjectId value);
    // Property 30, the label.
    std::int32_t GetString(ObjectId obj, std::int32_t prop, std::string* result) const;
    std::int32_t SetString(ObjectId obj, std::int32_t prop, std::string_view value);

    // The first item of a menu with this label, or 0.
    ObjectId FindItemByLabel(ObjectId menu, std::string_view label) const;
    // Follows a path from the menu or menu bar named by tag through submenu labels to a command
    // label, e.g. {"LXTools", "Readability", "About Lexameter..."}, and answers the command's
    // number; nothing when any step is missing or the last item is not a command.
    std::optional<std::int32_t> FindCommandNumber(std::string_view tag,
                                                  const std::vector<std::string>& labels) const;

    // Writes every menu bar with its menus, submenus, commands and separators, then the menus
    // that are in no menu, one item a line with its label, kind, tag and command number.
    void Print(std::ostream& out) const;
    // The tops of the menu tree, in the order Print writes them: every menu bar, then the menus
    // that are in no menu.
    std::vector<ObjectId> Roots() const;

  private:
    ObjectId NewObject(MenuKind kind, std::string_view tag, std::string_view label);
    MenuObject* Find(ObjectId id);
    bool IsContainer(ObjectId id) const;
    // Whether target is menu itself or lies anywhere below it.
    bool Contains(ObjectId menu, ObjectId target) const;
    // Appends item to menu; an item already there keeps its place.
    void Append(MenuObject& menu, MenuObject& item);
    void PrintItem(std::ostream& out, const MenuObject& obj, int depth) const;

    std::map<ObjectId, MenuObject> objects_;
    std::map<std::string, ObjectId, std::less<>> menusByTag_;      // menus and menu bars
    std::map<std::string, ObjectId, std::less<>> separatorsByTag_; //
    std::map<std::string, ObjectId, std::less<>> commandsByTag_;   //
    std::map<std::uint32_t, std::uint32_t> serials_;               // last serial per kind
};

} // namespace lxhost
