// The plug-in's menus: a "Readability" submenu for documents and one for books, each hung into a
// shared "Tools" menu at its alphabetical place.
#include "client/commands.h"

#include "runtime/api.h"
#include "runtime/client_callbacks.h"
#include "runtime/sink_interfaces.h"
#include "support/prop_list.h"
#include "support/str.h"

namespace {

constexpr std::int32_t kInitCodeStart = 1;
constexpr const char* kSubmenuLabel = "Readability";
constexpr const char* kNoShortcut = "";

// An item of a submenu: a command number, or a separator's name.
struct MenuItem {
    std::int32_t command;
    const char* separator;
};

constexpr MenuItem kDocumentItems[] = {
    {1, nullptr},
    {0, "Separator1"},
    {2, nullptr},
    {3, nullptr},
    {4, nullptr},
    {5, nullptr},
    {0, "Separator2"},
    {8, nullptr},
    {0, "Separator3"},
    {6, nullptr},
    {7, nullptr},
    {0, "Separator4"},
    {kCommandAbout, nullptr},
};

constexpr MenuItem kBookItems[] = {
    {9, nullptr},
    {0, "Separator1"},
    {10, nullptr},
    {11, nullptr},
    {12, nullptr},
    {13, nullptr},
    {0, "Separator2"},
    {16, nullptr},
    {0, "Separator3"},
    {14, nullptr},
    {15, nullptr},
    {0, "Separator4"},
    {kCommandAbout, nullptr},
};

ObjectId NamedMenu(const char* name) {
    return ApiGetNamedObject(0, kObjectTypeMenu, name);
}

// The shared "Tools" menu of a menu bar: found by name, or made there and in the quick menus.
ObjectId ToolsMenu(const char* tag, const char* menuBar) {
    ObjectId tools = NamedMenu(tag);
    if (tools == 0) {
        tools = ApiDefineAndAddMenu(NamedMenu(menuBar), tag, "Tools");
        ApiAddMenuToMenu(NamedMenu("!QuickMakerMainMenu"), tools);
    }
    return tools;
}

// Adds the items in order. The About command is defined once, in the document submenu; the
// book submenu adds the same command again (aboutCommand non-zero).
ObjectId AddItems(ObjectId menu, const MenuItem* items, int count, ObjectId aboutCommand) {
    for (int i = 0; i < count; ++i) {
        const MenuItem& item = items[i];
        if (item.separator) {
            ApiAddCommandToMenu(menu, ApiGetNamedObject(0, kObjectTypeSeparator, item.separator));
        } else if (item.command == kCommandAbout && aboutCommand != 0) {
            ApiAddCommandToMenu(menu, aboutCommand);
        } else {
            const CommandInfo* c = FindCommand(item.command);
            ObjectId id = ApiDefineAndAddCommand(c->number, menu, c->tag, c->label, kNoShortcut);
            if (item.command == kCommandAbout)
                aboutCommand = id;
        }
    }
    return aboutCommand;
}

// Moves the submenu just before the first item of the parent whose label sorts at or after
// "Readability" (ignoring case); it stays where it is when no such item precedes it.
void PlaceAlphabetically(ObjectId parent, ObjectId submenu) {
    ObjectId item = ApiGetId(0, parent, kPropFirstMenuItem);
    char* label = ApiGetString(0, item, kPropLabel);
    while (item != 0 && StrICompare(label, kSubmenuLabel) < 0) {
        item = ApiGetId(0, item, kPropNextMenuItem);
        StrRelease(&label);
        label = ApiGetString(0, item, kPropLabel);
    }
    if (item != 0 && item != submenu)
        ApiSetId(parent, submenu, kPropNextMenuItem, item);
    StrRelease(&label);
}

template <std::size_t N> constexpr int Count(const MenuItem (&)[N]) {
    return static_cast<int>(N);
}

} // namespace

void HandleInitialize(std::int32_t initCode) {
    if (initCode == kInitCodeStart) {
        ObjectId tools = ToolsMenu("LXTools", "!MakerMainMenu");
        ObjectId sub = ApiDefineMenu("Lexameter", kSubmenuLabel);
        ObjectId about = AddItems(sub, kDocumentItems, Count(kDocumentItems), 0);
        ApiAddMenuToMenu(tools, sub);
        PlaceAlphabetically(tools, sub);

        ObjectId bookTools = ToolsMenu("LXToolsBook", "!BookMainMenu");
        ObjectId bookSub = ApiDefineMenu("LexameterBook", kSubmenuLabel);
        AddItems(bookSub, kBookItems, Count(kBookItems), about);
        ApiAddMenuToMenu(bookTools, bookSub);
        PlaceAlphabetically(bookTools, bookSub);
    }
    ApiNotification(kNotifyCommandMessage, 1);
}
