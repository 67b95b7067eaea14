#include "host/api/menus.h"

#include "host/api/host.h"

#include <algorithm>
#include <ostream>

namespace lxhost {

namespace {

constexpr std::int32_t kNoError = 0;
// Deeper nesting than this is not printed (the model refuses cycles; this only bounds output).
constexpr int kMaxPrintDepth = 32;

std::uint32_t KindCode(MenuKind kind) {
    switch (kind) {
    case MenuKind::MenuBar:
        return kKindMenuBar;
    case MenuKind::Menu:
        return kKindMenu;
    case MenuKind::Command:
        return kKindCommand;
    case MenuKind::Separator:
        return kKindSeparator;
    }
    return 0;
}

} // namespace

MenuModel::MenuModel() {
    for (const char* bar : {kMenuBarDocument, kMenuBarBook, kMenuBarQuick})
        menusByTag_.emplace(bar, NewObject(MenuKind::MenuBar, bar, ""));
    for (const char* sep : kStandardSeparators)
        separatorsByTag_.emplace(sep, NewObject(MenuKind::Separator, sep, ""));
}

bool MenuModel::IsMenuId(ObjectId id) {
    std::uint32_t kind = KindOf(id);
    return kind == kKindMenuBar || kind == kKindMenu || kind == kKindCommand ||
           kind == kKindSeparator;
}

ObjectId MenuModel::NewObject(MenuKind kind, std::string_view tag, std::string_view label) {
    std::uint32_t code = KindCode(kind);
    ObjectId id = code << 24 | ++serials_[code];
    MenuObject obj;
    obj.id = id;
    obj.kind = kind;
    obj.tag = tag;
    obj.label = label;
    objects_.emplace(id, std::move(obj));
    return id;
}

const MenuObject* MenuModel::Get(ObjectId id) const {
    auto it = objects_.find(id);
    return it == objects_.end() ? nullptr : &it->second;
}

MenuObject* MenuModel::Find(ObjectId id) {
    auto it = objects_.find(id);
    return it == objects_.end() ? nullptr : &it->second;
}

bool MenuModel::IsContainer(ObjectId id) const {
    const MenuObject* obj = Get(id);
    return obj && (obj->kind == MenuKind::Menu || obj->kind == MenuKind::MenuBar);
}

ObjectId MenuModel::FindNamed(std::int32_t type, std::string_view name) const {
    const auto* names = type == kNamedMenu        ? &menusByTag_
                        : type == kNamedSeparator ? &separatorsByTag_
                                                  : nullptr;
    if (!names)
        return 0;
    auto it = names->find(name);
    return it == names->end() ? 0 : it->second;
}

std::int32_t MenuModel::DefineMenu(std::string_view tag, std::string_view label, ObjectId* result) {
    if (tag.empty())
        return kHostErrBadValue;
    // A tag names one menu for the whole session: defining it again answers the same menu and
    // leaves its label and items alone.
    auto it = menusByTag_.find(tag);
    if (it != menusByTag_.end()) {
        *result = it->second;
        return kNoError;
    }
    ObjectId id = NewObject(MenuKind::Menu, tag, label);
    menusByTag_.emplace(std::string(tag), id);
    *result = id;
    return kNoError;
}

std::int32_t MenuModel::DefineAndAddMenu(ObjectId target, std::string_view tag,
                                         std::string_view label, ObjectId* result) {
    // The target is checked first so that a failed call defines nothing.
    if (!IsContainer(target))
        return kHostErrBadObject;
    ObjectId menu = 0;
    if (std::int32_t err = DefineMenu(tag, label, &menu))
        return err;
    if (std::int32_t err = AddMenuToMenu(target, menu))
        return err;
    *result = menu;
    return kNoError;
}

bool MenuModel::Contains(ObjectId menu, ObjectId target) const {
    if (menu == target)
        return true;
    const MenuObject* obj = Get(menu);
    if (!obj)
        return false;
    return std::any_of(obj->items.begin(), obj->items.end(),
                       [&](ObjectId item) { return Contains(item, target); });
}

void MenuModel::Append(MenuObject& menu, MenuObject& item) {
    // An item stands at most once in a menu; adding it again leaves it where it is.
    if (std::find(menu.items.begin(), menu.items.end(), item.id) != menu.items.end())
        return;
    menu.items.push_back(item.id);
    if (item.firstMenu == 0)
        item.firstMenu = menu.id;
}

std::int32_t MenuModel::AddMenuToMenu(ObjectId target, ObjectId menu) {
    MenuObject* to = Find(target);
    MenuObject* sub = Find(menu);
    if (!to || !sub || !IsContainer(target) || sub->kind != MenuKind::Menu)
        return kHostErrBadObject;
    // A menu inside itself would make the menu tree endless.
    if (Contains(menu, target))
        return kHostErrBadValue;
    Append(*to, *sub);
    return kNoError;
}

std::int32_t MenuModel::AddCommandToMenu(ObjectId menu, ObjectId item) {
    MenuObject* to = Find(menu);
    MenuObject* obj = Find(item);
    if (!to || !obj || !IsContainer(menu) ||
        (obj->kind != MenuKind::Command && obj->kind != MenuKind::Separator))
        return kHostErrBadObject;
    Append(*to, *obj);
    return kNoError;
}

std::int32_t MenuModel::DefineAndAddCommand(std::int32_t number, ObjectId menu,
                                            std::string_view tag, std::string_view label,
                                            std::string_view shortcut, ObjectId* result) {
    if (!IsContainer(menu))
        return kHostErrBadObject;
    if (tag.empty())
        return kHostErrBadValue;
    // As with menus, a tag names one command: a second definition adds the existing command and
    // keeps its number, label and shortcut.
    ObjectId id = 0;
    auto it = commandsByTag_.find(tag);
    if (it != commandsByTag_.end()) {
        id = it->second;
    } else {
        id = NewObject(MenuKind::Command, tag, label);
        MenuObject& cmd = *Find(id);
        cmd.command = number;
        cmd.shortcut = shortcut;
        commandsByTag_.emplace(std::string(tag), id);
    }
    if (std::int32_t err = AddCommandToMenu(menu, id))
        return err;
    *result = id;
    return kNoError;
}

std::int32_t MenuModel::GetId(ObjectId doc, ObjectId obj, std::int32_t prop,
                              ObjectId* result) const {
    const MenuObject* item = Get(obj);
    if (!item)
        return kHostErrBadObject;
    if (prop == kPropMenuFirstItem) {
        if (!IsContainer(obj))
            return kHostErrBadProperty;
        *result = item->items.empty() ? 0 : item->items.front();
        return kNoError;
    }
    if (prop != kPropMenuNextItem)
        return kHostErrBadProperty;
    // With the application as document the item's first menu answers; a menu as document
    // answers for that menu.
    ObjectId menuId = doc == 0 ? item->firstMenu : doc;
    if (menuId == 0) {
        *result = 0; // in no menu: no next item
        return kNoError;
    }
    const MenuObject* menu = Get(menuId);
    if (!menu || !IsContainer(menuId))
        return kHostErrBadObject;
    auto pos = std::find(menu->items.begin(), menu->items.end(), obj);
    if (pos == menu->items.end())
        return kHostErrBadObject;
    ++pos;
    *result = pos == menu->items.end() ? 0 : *pos;
    return kNoError;
}

std::int32_t MenuModel::SetId(ObjectId doc, ObjectId obj, std::int32_t prop, ObjectId value) {
    const MenuObject* item = Get(obj);
    if (!item)
        return kHostErrBadObject;
    if (prop != kPropMenuNextItem)
        return kHostErrBadProperty;
    ObjectId menuId = doc == 0 ? item->firstMenu : doc;
    MenuObject* menu = Find(menuId);
    if (!menu || !IsContainer(menuId))
        return kHostErrBadObject;
    auto& items = menu->items;
    auto from = std::find(items.begin(), items.end(), obj);
    if (from == items.end())
        return kHostErrBadObject;
    if (value != 0 && std::find(items.begin(), items.end(), value) == items.end())
        return kHostErrBadValue;
    if (value == obj)
        return kNoError;
    items.erase(from);
    auto before = value == 0 ? items.end() : std::find(items.begin(), items.end(), value);
    items.insert(before, obj);
    return kNoError;
}

std::int32_t MenuModel::GetString(ObjectId obj, std::int32_t prop, std::string* result) const {
    const MenuObject* item = Get(obj);
    if (!item)
        return kHostErrBadObject;
    if (prop != kPropMenuLabel)
        return kHostErrBadProperty;
    *result = item->label;
    return kNoError;
}

std::int32_t MenuModel::SetString(ObjectId obj, std::int32_t prop, std::string_view value) {
    MenuObject* item = Find(obj);
    if (!item)
        return kHostErrBadObject;
    if (prop != kPropMenuLabel || item->kind == MenuKind::Separator ||
        item->kind == MenuKind::MenuBar)
        return kHostErrBadProperty;
    item->label = value;
    return kNoError;
}

ObjectId MenuModel::FindItemByLabel(ObjectId menu, std::string_view label) const {
    const MenuObject* obj = Get(menu);
    if (!obj)
        return 0;
    for (ObjectId id : obj->items) {
        const MenuObject* item = Get(id);
        if (item && item->kind != MenuKind::Separator && item->label == label)
            return id;
    }
    return 0;
}

std::optional<std::int32_t>
MenuModel::FindCommandNumber(std::string_view tag, const std::vector<std::string>& labels) const {
    ObjectId at = FindNamed(kNamedMenu, tag);
    for (const std::string& label : labels) {
        if (!IsContainer(at))
            return std::nullopt;
        at = FindItemByLabel(at, label);
    }
    const MenuObject* obj = Get(at);
    if (!obj || obj->kind != MenuKind::Command)
        return std::nullopt;
    return obj->command;
}

void MenuModel::PrintItem(std::ostream& out, const MenuObject& obj, int depth) const {
    out << std::string(static_cast<std::size_t>(depth) * 2, ' ');
    switch (obj.kind) {
    case MenuKind::MenuBar:
        out << "menu bar " << obj.tag << "\n";
        break;
    case MenuKind::Menu:
        out << "menu \"" << obj.label << "\" [" << obj.tag << "]\n";
        break;
    case MenuKind::Command:
        out << "command \"" << obj.label << "\" [" << obj.tag << "] number " << obj.command;
        if (!obj.shortcut.empty())
            out << " shortcut " << obj.shortcut;
        out << "\n";
        break;
    case MenuKind::Separator:
        out << "separator [" << obj.tag << "]\n";
        break;
    }
    if (depth >= kMaxPrintDepth)
        return;
    for (ObjectId id : obj.items)
        if (const MenuObject* item = Get(id))
            PrintItem(out, *item, depth + 1);
}

void MenuModel::Print(std::ostream& out) const {
    for (const auto& [id, obj] : objects_)
        if (obj.kind == MenuKind::MenuBar)
            PrintItem(out, obj, 0);
    bool header = false;
    for (const auto& [id, obj] : objects_) {
        if (obj.kind != MenuKind::Menu || obj.firstMenu != 0)
            continue;
        if (!header)
            out << "menus in no menu bar:\n";
        header = true;
        PrintItem(out, obj, 1);
    }
}

std::vector<ObjectId> MenuModel::Roots() const {
    std::vector<ObjectId> roots;
    for (const auto& [id, obj] : objects_)
        if (obj.kind == MenuKind::MenuBar)
            roots.push_back(id);
    for (const auto& [id, obj] : objects_)
        if (obj.kind == MenuKind::Menu && obj.firstMenu == 0)
            roots.push_back(id);
    return roots;
}

} // namespace lxhost
