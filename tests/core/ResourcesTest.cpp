// The resource data every toolkit builds its windows from.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "res/DialogTemplates.h"
#include "res/Images.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

namespace svx {
namespace {

TEST(DialogTemplates, EveryControlLiesInsideItsDialogUnderItsOwnId) {
  for (int id : {IDD_ABOUT, IDD_MAIN, IDD_LOCATION}) {
    const DialogTemplate* t = FindDialogTemplate(id);
    ASSERT_NE(t, nullptr) << id;
    std::set<int> ids;
    for (const ControlTemplate& c : t->controls) {
      SCOPED_TRACE(testing::Message() << "template " << id << " control \"" << c.text << "\"");
      if (c.id != kStaticId) {
        EXPECT_TRUE(ids.insert(c.id).second) << "id " << c.id << " twice";
      }
      EXPECT_GE(c.x, 0);
      EXPECT_GE(c.y, 0);
      EXPECT_LE(c.x + c.width, t->width);
      EXPECT_LE(c.y + c.height, t->height);
      if (c.kind == ControlKind::kIcon) {
        EXPECT_NE(FindXpm(c.image), nullptr);
      }
    }
  }
  EXPECT_EQ(FindDialogTemplate(IDD_MAIN + 1), nullptr);
}

// A screen reader names a field by the label the template gives it; a label
// that names a button, or a field left without one, is read wrongly.
TEST(DialogTemplates, NameEveryEditFieldByOneLabelAndNothingElse) {
  for (int id : {IDD_ABOUT, IDD_MAIN, IDD_LOCATION}) {
    const DialogTemplate& t = *FindDialogTemplate(id);
    std::map<int, int> labels;  // field id -> labels naming it
    for (const ControlTemplate& c : t.controls) {
      if (c.kind == ControlKind::kEdit) labels.emplace(c.id, 0);
    }
    for (const ControlTemplate& c : t.controls) {
      if (c.labelFor == 0) continue;
      SCOPED_TRACE(testing::Message() << "template " << id << " label \"" << c.text << "\"");
      EXPECT_EQ(c.kind, ControlKind::kStaticText);
      ASSERT_TRUE(labels.count(c.labelFor)) << "names " << c.labelFor << ", not an edit field";
      ++labels[c.labelFor];
    }
    for (const auto& [field, count] : labels) {
      EXPECT_EQ(count, 1) << "template " << id << " field " << field;
    }
  }
}

// Each image the status button can show has a name of its own in the dialogs
// that have one.
TEST(Strings, NameEachStatusImageApart) {
  for (int dialog : {IDD_MAIN, IDD_LOCATION}) {
    std::set<std::string_view> names;
    for (int bitmap : {0, int{IDB_VALID}, int{IDB_INVALID}}) {
      const std::string_view name = StatusButtonName(dialog, bitmap);
      EXPECT_FALSE(name.empty()) << dialog << " " << bitmap;
      names.insert(name);
    }
    EXPECT_EQ(names.size(), 3u) << dialog;
  }
  EXPECT_EQ(StatusButtonName(IDD_ABOUT, IDB_VALID), "");
  EXPECT_EQ(StatusButtonName(IDD_MAIN, IDR_MAINFRAME), "");
}

TEST(Strings, HoldTheAboutItemOnly) {
  EXPECT_EQ(LoadResString(IDS_ABOUTBOX), "&About SvxPatch...");
  EXPECT_EQ(LoadResString(IDS_ABOUTBOX + 1), "");
}

// The box's line is fixed text: a new release must not change what it says.
TEST(Strings, AboutBoxLineIsFixed) {
  EXPECT_STREQ(kAboutVersionLine, "SvxPatch Version 1.0");
}

TEST(Strings, StartUpMessagesAreTheToolsOwnTexts) {
  EXPECT_STREQ(kSimulatorRunningText,
               "A process named \"Microsoft Flight Simulator X\" has been found running in the "
               "background.\n\nYou must terminate this process before any modifications can be "
               "made to the FSX environment.\n\nAfter terminating the background process, you can "
               "restart this application.\n\nPress any key to exit this application.");
  EXPECT_STREQ(kToolWarningCaption, "Skarvane X Patch Preparation Tool Warning");
  EXPECT_STREQ(kFolderNotFoundText,
               "FSX could not be located at the path defined in the Windows Registry.\n\nPress "
               "the \"Change FSX Location\" button to locate FSX manually");
  EXPECT_STREQ(kWarningCaption, "Warning");
}

// A malformed XPM loads as no image at all, silently, so check the data.
TEST(Images, AreWellFormedXpmOfTheirSizeWithAtMostSixteenColours) {
  struct Case {
    int id;
    int size;
    int width, height;
  };
  const Case cases[] = {
      {IDB_VALID, 32, 42, 38},
      {IDB_INVALID, 32, 42, 38},
      {IDR_MAINFRAME, 32, 32, 32},
      {IDR_MAINFRAME, 16, 16, 16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "image " << c.id << " at " << c.size);
    XpmData xpm = FindXpm(c.id, c.size);
    ASSERT_NE(xpm, nullptr);
    int width = 0, height = 0, colours = 0, perPixel = 0;
    ASSERT_EQ(std::sscanf(xpm[0], "%d %d %d %d", &width, &height, &colours, &perPixel), 4);
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
    EXPECT_LE(colours, 17) << "16 colours and the transparent one";
    ASSERT_EQ(perPixel, 1);
    std::set<char> defined;
    for (int i = 1; i <= colours; ++i) defined.insert(xpm[i][0]);
    EXPECT_EQ(static_cast<int>(defined.size()), colours);
    for (int row = 0; row < height; ++row) {
      const std::string line = xpm[1 + colours + row];
      ASSERT_EQ(static_cast<int>(line.size()), width) << "row " << row;
      for (char p : line) EXPECT_TRUE(defined.count(p)) << "row " << row << " pixel " << p;
    }
  }
  EXPECT_EQ(FindXpm(IDD_MAIN), nullptr);
}

}  // namespace
}  // namespace svx
