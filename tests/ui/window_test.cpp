// Windows from layouts: look-up by name, control kinds, the loader's factory hook, and what
// becomes of missing or malformed skin files.
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <fstream>

#include "ui/qt/custom_widget.h"
#include "ui/qt/led_picture.h"
#include "ui_fixture.h"

namespace tavrinex::ui::test {
namespace {

TEST_F(UiTest, FindsControlsByNameInAnyLetterCase) {
  for (const char* name : {"kb_deng_combo_modeSelect", "KB_DENG_COMBO_MODESELECT",
                           "kb_deng_combo_modeselect", "Pallet", "pallet", "ROOT"}) {
    EXPECT_NE(window->Find(name), nullptr) << name;
  }
  EXPECT_EQ(window->Find("kb_deng_combo_modeSelect")->Name(), "kb_deng_combo_modeSelect");
  EXPECT_EQ(window->Find("no_such_control"), nullptr);
  EXPECT_EQ(window->Find(""), nullptr);
  // Qt's own inner widgets are not controls of the skin.
  EXPECT_EQ(window->Find("qt_scrollarea_viewport"), nullptr);
}

TEST_F(UiTest, EachKindOffersItsOperations) {
  EXPECT_NE(window->Find<OptionControl>("kb_tab"), nullptr);
  EXPECT_NE(window->Find<OptionControl>("kb_Deng_7color_check"), nullptr);
  EXPECT_NE(window->Find<ListControl>("kb_deng_combo_modeSelect"), nullptr);
  EXPECT_NE(window->Find<ListControl>("kb_Macro_list"), nullptr);
  EXPECT_NE(window->Find<ListControl>("kb_MacroName_list"), nullptr);
  EXPECT_NE(window->Find<TabControl>("tab_switch"), nullptr);
  EXPECT_NE(window->Find<SliderControl>("kb_deng_light_slider"), nullptr);
  EXPECT_NE(window->Find<PaletteControl>("Pallet"), nullptr);
  // A plain button is no option, a label no list.
  EXPECT_EQ(window->Find<OptionControl>("closebtn"), nullptr);
  EXPECT_EQ(window->Find<ListControl>("title_label"), nullptr);
}

TEST_F(UiTest, TheLoaderBuildsOwnClassesAndExpandsNothingUnregistered) {
  EXPECT_NE(Widget<qt::LedPicture>("kb_dkey_0"), nullptr);
  EXPECT_EQ(window->Find("kb_dkey_0")->ClassName(), "LedPicture");
  // Neither tag handler nor registered classes here: plain containers stand in.
  EXPECT_EQ(window->Find("kb_key_0"), nullptr);
  ASSERT_NE(window->Find("kb_key_panel"), nullptr);
  const Control* mystery = window->Find("mystery");
  ASSERT_NE(mystery, nullptr);
  EXPECT_EQ(mystery->ClassName(), "NoSuchControl");
  const QWidget* mysteryWidget = Widget("mystery");
  ASSERT_NE(mysteryWidget, nullptr);
  EXPECT_EQ(std::string(mysteryWidget->metaObject()->className()), "QWidget");
}

TEST_F(UiTest, WindowInitArrivesOnceAfterInitWindow) {
  EXPECT_EQ(handler.inits, 1);
  const auto inits = handler.Of(EventType::kWindowInit);
  ASSERT_EQ(inits.size(), 1U);
  EXPECT_EQ(handler.seen.front().type, EventType::kWindowInit);
  QApplication::processEvents();
  EXPECT_EQ(handler.Of(EventType::kWindowInit).size(), 1U);
}

// A custom control of the program's own: paints a ring sector and keeps its attributes.
class RingControl : public CustomControl {
 public:
  std::string ClassName() const override { return "CircleProgress"; }
  void SetAttribute(std::string_view name, std::string_view value) override {
    if (name == "value") value_ = std::stoi(std::string(value));
  }
  void Paint(Painter& p, Rect bounds) override {
    p.FillRect(bounds, 0xFF000000);
    p.DrawArc({4, 4, bounds.width - 8, bounds.height - 8}, 90, -3.6 * value_, 0xFF00FF00, 6);
  }
  int value_ = 0;
};

class FactoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui = std::make_unique<qt::QtUi>(TestSkin());
    ui->RegisterControlClass("circleprogress", [] { return std::make_unique<RingControl>(); });
    ui->SetCustomTagHandler([this](std::string_view tag) -> std::optional<TagExpansion> {
      tags.emplace_back(tag);
      if (QString::fromUtf8(tag.data(), static_cast<qsizetype>(tag.size()))
              .compare("KB_KEY_UI", Qt::CaseInsensitive) == 0) {
        return TagExpansion{"keyboard_key.ui", {}};
      }
      if (tag == "Loop_UI") return TagExpansion{"loop.ui", {}};
      return std::nullopt;
    });
  }
  RecordingHandler handler;
  std::unique_ptr<qt::QtUi> ui;
  std::vector<std::string> tags;
};

TEST_F(FactoryTest, RegisteredClassesAndCustomTagsBuildTheirControls) {
  DiagnosticCapture diagnostics;
  auto window = ui->CreateWindow({"XML_MAIN", "", nullptr, 0, 0}, handler);
  // The tag's layout file is loaded in its place, its controls reachable by name.
  ASSERT_NE(window->Find("kb_key_0"), nullptr);
  EXPECT_NE(window->Find("kb_key_1"), nullptr);
  EXPECT_NE(window->Find("kb_key_panel"), nullptr);
  // The registered class (registered in lower case, named in mixed case by the layout).
  auto* progress = dynamic_cast<qt::QtControl*>(window->Find("progress"));
  ASSERT_NE(progress, nullptr);
  auto* widget = dynamic_cast<qt::CustomWidget*>(progress->Widget());
  ASSERT_NE(widget, nullptr);
  auto& ring = dynamic_cast<RingControl&>(widget->Control());
  EXPECT_EQ(ring.value_, 40);  // from the layout
  progress->SetAttribute("value", "75");
  EXPECT_EQ(ring.value_, 75);
  const QImage image = widget->grab().toImage();
  EXPECT_EQ(image.pixelColor(1, 1), QColor(Qt::black));
  // Unknown tags were offered to the handler and said so.
  EXPECT_NE(std::find(tags.begin(), tags.end(), "NoSuchControl"), tags.end());
  EXPECT_TRUE(diagnostics.Contains("unknown control class NoSuchControl for mystery"))
      << diagnostics.All();
}

TEST_F(FactoryTest, ATagThatContainsItselfStopsWithADiagnostic) {
  DiagnosticCapture diagnostics;
  auto window = ui->CreateWindow({"XML_LOOP", "", nullptr, 0, 0}, handler);
  EXPECT_NE(window->Find("inner"), nullptr);
  EXPECT_TRUE(diagnostics.Contains("nests deeper than")) << diagnostics.All();
}

struct BadLayoutCase {
  const char* layout;
  const char* diagnostic;
};

class BadLayoutTest : public ::testing::TestWithParam<BadLayoutCase> {};

TEST_P(BadLayoutTest, GivesAnEmptyWindowAndSaysWhy) {
  qt::QtUi ui(TestSkin());
  RecordingHandler handler;
  DiagnosticCapture diagnostics;
  auto window = ui.CreateWindow({GetParam().layout, "", nullptr, 0, 0}, handler);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->Find("root"), nullptr);
  EXPECT_TRUE(diagnostics.Contains(GetParam().diagnostic)) << diagnostics.All();
  window->Show();
  window->Close(3);  // an empty window still works as a window
  EXPECT_EQ(handler.closes, std::vector<int>{3});
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, BadLayoutTest,
    ::testing::Values(BadLayoutCase{"XML_GONE", "cannot open"},
                      BadLayoutCase{"XML_BROKEN", "cannot load"},
                      BadLayoutCase{"XML_NOT_INDEXED", "neither in the resource index"}));

TEST(SkinFolderTest, AMissingOrMalformedIndexLeavesFileNamesUsable) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QFile::copy(QString::fromStdString((TestSkin() / "msg.ui").string()), dir.filePath("msg.ui"));
  RecordingHandler handler;
  {
    DiagnosticCapture diagnostics;
    qt::QtUi ui(dir.path().toStdString());
    EXPECT_TRUE(diagnostics.Contains("res.xml")) << diagnostics.All();
    auto window = ui.CreateWindow({"msg.ui", "", nullptr, 0, 0}, handler);
    EXPECT_NE(window->Find("confirm_btn"), nullptr);
  }
  std::ofstream(dir.filePath("res.xml").toStdString()) << "<resources><layout key=";
  DiagnosticCapture diagnostics;
  qt::QtUi ui(dir.path().toStdString());
  EXPECT_TRUE(diagnostics.Contains("res.xml:")) << diagnostics.All();
}

}  // namespace
}  // namespace tavrinex::ui::test
