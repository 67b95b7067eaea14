// The host's menus as the client reaches them: named menus and separators, definitions, item
// chains and moves, through the runtime's operations against the host object.
#include "tests/runtime/host_fixture.h"

#include "support/prop_list.h"

#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using lxhost::kHostErrBadObject;
using lxhost::kHostErrBadProperty;
using lxhost::kHostErrBadValue;
using lxhost::MenuModel;

constexpr std::int32_t kMenu = 55;
constexpr std::int32_t kSeparator = 57;
constexpr std::int32_t kLabel = 30;
constexpr std::int32_t kNext = 1923;
constexpr std::int32_t kFirst = 1927;

std::string Label(ObjectId item) {
    char* s = ApiGetString(0, item, kLabel);
    std::string label = s ? s : "(null)";
    StrRelease(&s);
    return label;
}

// The labels of a menu's items, following 1923 with the given document argument (the menu
// itself, or 0 for each item's first menu). Separators show as their tag.
std::vector<std::string> Walk(const MenuModel& model, ObjectId menu, ObjectId doc) {
    std::vector<std::string> labels;
    for (ObjectId item = ApiGetId(0, menu, kFirst); item && labels.size() < 50;
         item = ApiGetId(doc, item, kNext)) {
        const lxhost::MenuObject* obj = model.Get(item);
        labels.push_back(obj && obj->kind == lxhost::MenuKind::Separator ? obj->tag : Label(item));
    }
    return labels;
}

class Menus : public HostFixture {
  protected:
    void SetUp() override {
        HostFixture::SetUp();
        Connect();
        bar_ = ApiGetNamedObject(0, kMenu, "!MakerMainMenu");
        ASSERT_NE(bar_, 0u);
    }

    std::vector<std::string> Items(ObjectId menu) { return Walk(host_.menus(), menu, menu); }

    // "LXTools" as another client left it: items Alpha and Zulu.
    ObjectId ToolsWithAlphaAndZulu() {
        ObjectId tools = ApiDefineAndAddMenu(bar_, "LXTools", "Tools");
        alpha_ = ApiDefineAndAddCommand(1, tools, "OtherAlpha", "Alpha", "");
        zulu_ = ApiDefineAndAddCommand(2, tools, "OtherZulu", "Zulu", "");
        return tools;
    }

    ObjectId bar_ = 0;
    ObjectId alpha_ = 0;
    ObjectId zulu_ = 0;
};

TEST_F(Menus, AFreshHostHasItsMenuBarsAndSeparatorsOnly) {
    struct Case {
        std::int32_t type;
        const char* name;
        std::uint32_t kind; // 0: not defined
    };
    const Case cases[] = {
        {kMenu, "!MakerMainMenu", lxhost::kKindMenuBar},
        {kMenu, "!BookMainMenu", lxhost::kKindMenuBar},
        {kMenu, "!QuickMakerMainMenu", lxhost::kKindMenuBar},
        {kSeparator, "Separator1", lxhost::kKindSeparator},
        {kSeparator, "Separator4", lxhost::kKindSeparator},
        {kMenu, "LXTools", 0},
        {kSeparator, "Separator5", 0},
        {kSeparator, "!MakerMainMenu", 0}, // names are per object type
        {kMenu, "Separator1", 0},
        {kMenu, "!makermainmenu", 0}, // and exact
        {32, "Separator1", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ApiErrno = 0;
        ObjectId id = ApiGetNamedObject(0, c.type, c.name);
        EXPECT_EQ(id >> 24, c.kind);
        if (c.kind)
            EXPECT_EQ(ApiErrno, 0);
        else
            EXPECT_TRUE(ApiErrno < 0 && ApiErrno != kApiErrNotConnected) << ApiErrno;
    }
    EXPECT_TRUE(Items(bar_).empty());
}

TEST_F(Menus, ObjectsGetIdsOfTheirOwnKindsNeverReused) {
    ObjectId tools = ApiDefineAndAddMenu(bar_, "LXTools", "Tools");
    ObjectId sub = ApiDefineMenu("Lexameter", "Readability");
    ObjectId about = ApiDefineAndAddCommand(1000, sub, "LexameterAbout", "About Lexameter...", "");
    EXPECT_EQ(tools >> 24, lxhost::kKindMenu);
    EXPECT_EQ(sub >> 24, lxhost::kKindMenu);
    EXPECT_NE(tools, sub);
    EXPECT_EQ(about >> 24, lxhost::kKindCommand);
    EXPECT_EQ(host_.menus().Get(about)->command, 1000);
    for (ObjectId id : {tools, sub, about})
        EXPECT_TRUE(MenuModel::IsMenuId(id));
    for (ObjectId id : {0x05000001u, 0x12000001u, 0x01000001u})
        EXPECT_FALSE(MenuModel::IsMenuId(id));
}

TEST_F(Menus, DefiningATagAgainAnswersTheSameObject) {
    ObjectId sub = ApiDefineMenu("Lexameter", "Readability");
    ASSERT_NE(sub, 0u);
    EXPECT_EQ(ApiDefineMenu("Lexameter", "Other"), sub);
    EXPECT_EQ(Label(sub), "Readability");
    EXPECT_EQ(ApiGetNamedObject(0, kMenu, "Lexameter"), sub);
    // A menu bar's tag is taken too.
    EXPECT_EQ(ApiDefineMenu("!BookMainMenu", "Book"), ApiGetNamedObject(0, kMenu, "!BookMainMenu"));

    ObjectId cmd = ApiDefineAndAddCommand(1, sub, "GetStatisticsDoc", "Get Statistics", "");
    ObjectId again = ApiDefineAndAddCommand(9, sub, "GetStatisticsDoc", "Other", "");
    EXPECT_EQ(again, cmd);
    EXPECT_EQ(host_.menus().Get(cmd)->command, 1);
    EXPECT_EQ(Items(sub), std::vector<std::string>{"Get Statistics"});
}

TEST_F(Menus, ASubmenuMovesBetweenTheItemsOfAnExistingMenu) {
    ObjectId tools = ToolsWithAlphaAndZulu();
    ASSERT_EQ(ApiGetNamedObject(0, kMenu, "LXTools"), tools);
    ObjectId sub = ApiDefineMenu("Lexameter", "Readability");
    ASSERT_EQ(ApiAddMenuToMenu(tools, sub), 0);
    EXPECT_EQ(Items(tools), (std::vector<std::string>{"Alpha", "Zulu", "Readability"}));
    EXPECT_EQ(Items(bar_), std::vector<std::string>{"Tools"});

    ApiSetId(tools, sub, kNext, zulu_);
    EXPECT_EQ(Items(tools), (std::vector<std::string>{"Alpha", "Readability", "Zulu"}));
    EXPECT_EQ(ApiGetId(0, sub, kNext), zulu_);
    EXPECT_EQ(ApiGetId(0, alpha_, kNext), sub);
}

TEST_F(Menus, MovingAnItemInItsMenu) {
    struct Case {
        const char* name;
        const char* item;
        const char* before; // null: 0, the end
        std::vector<std::string> order;
        std::int32_t error;
    };
    const std::vector<Case> cases = {
        {"to the front", "Zulu", "Alpha", {"Zulu", "Alpha", "Mike"}, 0},
        {"to the end", "Alpha", nullptr, {"Mike", "Zulu", "Alpha"}, 0},
        {"before itself", "Mike", "Mike", {"Alpha", "Mike", "Zulu"}, 0},
        {"where it stands", "Alpha", "Mike", {"Alpha", "Mike", "Zulu"}, 0},
        {"before an item of another menu",
         "Alpha",
         "Other",
         {"Alpha", "Mike", "Zulu"},
         kHostErrBadValue},
        {"an item of another menu", "Other", "Alpha", {"Alpha", "Mike", "Zulu"}, kHostErrBadObject},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ObjectId menu = ApiDefineMenu(std::string("M").append(c.name).c_str(), "Menu");
        ObjectId other = ApiDefineMenu(std::string("O").append(c.name).c_str(), "Other menu");
        std::map<std::string, ObjectId> ids;
        for (const char* label : {"Alpha", "Mike", "Zulu"})
            ids[label] =
                ApiDefineAndAddCommand(1, menu, (c.name + std::string(label)).c_str(), label, "");
        ids["Other"] =
            ApiDefineAndAddCommand(2, other, (c.name + std::string("x")).c_str(), "Other", "");
        ApiErrno = 0;
        ApiSetId(menu, ids[c.item], kNext, c.before ? ids[c.before] : 0);
        EXPECT_EQ(ApiErrno, c.error);
        EXPECT_EQ(Items(menu), c.order);
    }
}

TEST_F(Menus, SeparatorsAndCommandsAreSharedBetweenMenus) {
    ObjectId doc = ApiDefineMenu("Lexameter", "Readability");
    ObjectId book = ApiDefineMenu("LexameterBook", "Readability");
    ObjectId sep = ApiGetNamedObject(0, kSeparator, "Separator1");
    ApiDefineAndAddCommand(1, doc, "GetStatisticsDoc", "Get Statistics", "");
    ApiDefineAndAddCommand(9, book, "GetStatisticsBook", "Get Statistics", "");
    ASSERT_EQ(ApiAddCommandToMenu(doc, sep), 0);
    ASSERT_EQ(ApiAddCommandToMenu(book, sep), 0);
    ObjectId about = ApiDefineAndAddCommand(1000, doc, "LexameterAbout", "About Lexameter...", "");
    ApiDefineAndAddCommand(2, book, "CalculateFleschReadabilityBook", "Calculate Flesch-Kincaid",
                           "");
    ASSERT_EQ(ApiAddCommandToMenu(book, about), 0);

    EXPECT_EQ(Items(doc),
              (std::vector<std::string>{"Get Statistics", "Separator1", "About Lexameter..."}));
    EXPECT_EQ(Items(book),
              (std::vector<std::string>{"Get Statistics", "Separator1", "Calculate Flesch-Kincaid",
                                        "About Lexameter..."}));
    // With document 0 a shared item's next item is the one in the menu it was first added to,
    // so a walk of the book menu that way strays into the document menu.
    EXPECT_EQ(Walk(host_.menus(), book, 0),
              (std::vector<std::string>{"Get Statistics", "Separator1", "About Lexameter..."}));
    EXPECT_EQ(ApiGetId(0, sep, kNext), about);
    EXPECT_EQ(ApiGetId(0, about, kNext), 0u);
    EXPECT_EQ(Label(sep), "");
}

TEST_F(Menus, OperationsOnTheWrongObjectsFailWithoutChangingTheMenus) {
    ObjectId tools = ApiDefineAndAddMenu(bar_, "LXTools", "Tools");
    ObjectId sub = ApiDefineMenu("Lexameter", "Readability");
    ASSERT_EQ(ApiAddMenuToMenu(tools, sub), 0);
    ObjectId cmd = ApiDefineAndAddCommand(1, sub, "GetStatisticsDoc", "Get Statistics", "");
    ObjectId sep = ApiGetNamedObject(0, kSeparator, "Separator1");
    ObjectId book = ApiGetNamedObject(0, kMenu, "!BookMainMenu");

    struct Case {
        const char* name;
        std::int32_t status;
        std::int32_t error;
    };
    const Case cases[] = {
        {"menu into itself", ApiAddMenuToMenu(sub, sub), kHostErrBadValue},
        {"menu into its own submenu", ApiAddMenuToMenu(sub, tools), kHostErrBadValue},
        {"menu bar into a menu", ApiAddMenuToMenu(sub, book), kHostErrBadObject},
        {"menu into a command", ApiAddMenuToMenu(cmd, sub), kHostErrBadObject},
        {"menu added as a command", ApiAddCommandToMenu(tools, sub), kHostErrBadObject},
        {"command into a separator", ApiAddCommandToMenu(sep, cmd), kHostErrBadObject},
        {"command into menu 0", ApiAddCommandToMenu(0, cmd), kHostErrBadObject},
        {"unknown item", ApiAddCommandToMenu(sub, 0x32000099), kHostErrBadObject},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.status, c.error);
    }

    ApiErrno = 0;
    EXPECT_EQ(ApiDefineAndAddMenu(0, "LXToolsBook", "Tools"), 0u);
    EXPECT_EQ(ApiErrno, kHostErrBadObject);
    EXPECT_EQ(ApiGetNamedObject(0, kMenu, "LXToolsBook"), 0u);
    EXPECT_EQ(ApiDefineAndAddCommand(3, cmd, "X", "X", ""), 0u);
    EXPECT_EQ(ApiDefineMenu("", "Empty"), 0u);
    EXPECT_EQ(ApiErrno, kHostErrBadValue);
    EXPECT_EQ(ApiGetId(0, cmd, kFirst), 0u);
    EXPECT_EQ(ApiErrno, kHostErrBadProperty);

    // Adding an item again leaves it where it is.
    ASSERT_EQ(ApiAddMenuToMenu(tools, sub), 0);
    EXPECT_EQ(Items(tools), std::vector<std::string>{"Readability"});
    EXPECT_EQ(Items(bar_), std::vector<std::string>{"Tools"});
    EXPECT_EQ(Items(sub), std::vector<std::string>{"Get Statistics"});
}

TEST_F(Menus, LabelsCanBeReadAndChanged) {
    ObjectId sub = ApiDefineMenu("Lexameter", "&Readability");
    ObjectId cmd = ApiDefineAndAddCommand(1, sub, "GetStatisticsDoc", "Get Statistics", "");
    EXPECT_EQ(Label(sub), "&Readability");
    ApiSetString(0, cmd, kLabel, "Statistics");
    EXPECT_EQ(Label(cmd), "Statistics");
    ApiErrno = 0;
    ApiSetString(0, ApiGetNamedObject(0, kSeparator, "Separator2"), kLabel, "x");
    EXPECT_EQ(ApiErrno, kHostErrBadProperty);
    EXPECT_EQ(ApiGetString(0, lxhost::MakeId(lxhost::kKindMenu, 99), kLabel), nullptr);
    EXPECT_EQ(ApiErrno, kHostErrBadObject);
}

TEST_F(Menus, CommandNumbersAreFoundByLabelPath) {
    ObjectId tools = ToolsWithAlphaAndZulu();
    ObjectId sub = ApiDefineMenu("Lexameter", "Readability");
    ApiAddMenuToMenu(tools, sub);
    ApiDefineAndAddCommand(4, sub, "CalculateSMOGReadabilityDoc", "Calculate SMOG", "");
    ApiAddCommandToMenu(sub, ApiGetNamedObject(0, kSeparator, "Separator4"));
    ApiDefineAndAddCommand(1000, sub, "LexameterAbout", "About Lexameter...", "");
    const MenuModel& menus = host_.menus();

    struct Case {
        const char* tag;
        std::vector<std::string> labels;
        std::optional<std::int32_t> number;
    };
    const Case cases[] = {
        {"LXTools", {"Readability", "About Lexameter..."}, 1000},
        {"LXTools", {"Readability", "Calculate SMOG"}, 4},
        {"LXTools", {"Zulu"}, 2},
        {"Lexameter", {"Calculate SMOG"}, 4},
        {"LXTools", {"Readability"}, std::nullopt}, // a menu, not a command
        {"LXTools", {"Readability", "Calculate ARI"}, std::nullopt},
        {"LXTools", {"Zulu", "Calculate SMOG"}, std::nullopt}, // a command has no items
        {"LXToolsBook", {"Readability", "Calculate SMOG"}, std::nullopt},
        {"LXTools", {"Readability", ""}, std::nullopt}, // a separator is not found by label
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag + std::string(" ") + std::to_string(c.labels.size()));
        EXPECT_EQ(menus.FindCommandNumber(c.tag, c.labels), c.number);
    }
}

TEST_F(Menus, PrintShowsTheTreeWithTagsAndNumbers) {
    ObjectId tools = ApiDefineAndAddMenu(bar_, "LXTools", "Tools");
    ApiAddMenuToMenu(ApiGetNamedObject(0, kMenu, "!QuickMakerMainMenu"), tools);
    ObjectId sub = ApiDefineMenu("Lexameter", "Readability");
    ApiAddMenuToMenu(tools, sub);
    ApiDefineAndAddCommand(1, sub, "GetStatisticsDoc", "Get Statistics", "");
    ApiAddCommandToMenu(sub, ApiGetNamedObject(0, kSeparator, "Separator1"));
    ApiDefineMenu("Loose", "Not placed");
    std::ostringstream out;
    host_.menus().Print(out);
    EXPECT_EQ(out.str(), "menu bar !MakerMainMenu\n"
                         "  menu \"Tools\" [LXTools]\n"
                         "    menu \"Readability\" [Lexameter]\n"
                         "      command \"Get Statistics\" [GetStatisticsDoc] number 1\n"
                         "      separator [Separator1]\n"
                         "menu bar !BookMainMenu\n"
                         "menu bar !QuickMakerMainMenu\n"
                         "  menu \"Tools\" [LXTools]\n"
                         "    menu \"Readability\" [Lexameter]\n"
                         "      command \"Get Statistics\" [GetStatisticsDoc] number 1\n"
                         "      separator [Separator1]\n"
                         "menus in no menu bar:\n"
                         "  menu \"Not placed\" [Loose]\n");
}

} // namespace
