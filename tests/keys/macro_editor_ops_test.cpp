// The macro editor's operations without a window: what recorded events become, where rows go,
// and what the row editor may change.
#include "keys/macro_editor_ops.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavrinex::keys {
namespace {

TEST(MacroRecorderTest, KeyEventsBecomeKeyOrModifierRowsAndRepeatsAndUnknownKeysNothing) {
  struct Case {
    std::uint32_t message;
    std::uint16_t vk;
    std::uint32_t flags;
    const char* line;  // "" for no row
  };
  const Case cases[] = {
      {0x100, 0x41, 0, "0,0,138,4,1,keyboard_key_A"},
      {0x100, 0x41, 0, ""},  // held: auto-repeat
      {0x101, 0x41, 0x80, "0,0,10,4,0,keyboard_key_A"},
      {0x104, 0xA0, 0x20, "0,0,137,2,1,keyboard_key_LShift"},  // a system key down is a press
      {0x100, 0x42, 0, "0,0,138,5,1,keyboard_key_B"},
      {0x105, 0xA0, 0xA0, "0,0,9,2,0,keyboard_key_LShift"},  // another key's release still counts
      {0x100, 0x42, 0, ""},                                   // B is still the held key
      {0x100, 0xAF, 1, ""},                                   // Volume Up: no key row
      {0x100, 0x07, 0, ""},                                   // no row at all
  };
  RecorderState state;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const auto row = RecordKey(state, c.message, c.vk, c.flags);
    EXPECT_EQ(row ? row->line : "", c.line);
  }
}

TEST(MacroRecorderTest, MouseEventsFollowTheOptionsTheSideButtonsAndTheLastMessage) {
  RecorderState state;
  const MouseOptions both{true, true};
  EXPECT_EQ(RecordMouse(state, 0x20B, true, both)->line, "0,0,129,16,1,mouse_key_forward");
  EXPECT_EQ(RecordMouse(state, 0x20C, false, both)->line, "0,0,1,8,0,mouse_key_back");
  EXPECT_EQ(RecordMouse(state, 0x20A, false, both)->line, "0,0,255,0,1,");
  EXPECT_FALSE(RecordMouse(state, 0x20A, false, both)) << "a run of notches is one action";
  EXPECT_FALSE(RecordMouse(state, 0x200, false, both)) << "movement is never recorded";
  EXPECT_FALSE(RecordMouse(state, 0x201, false, {false, true}));
  EXPECT_FALSE(RecordMouse(state, 0x20A, false, {true, false}));
  const auto left = RecordMouse(state, 0x201, false, both);
  ASSERT_TRUE(left);
  EXPECT_TRUE(left->recordedMouse);
  EXPECT_FALSE(ViewOfRow(*left).editable);
}

TEST(MacroRowsTest, InsertedRowsGoAfterTheSelectionAfterRowZeroOrFirst) {
  MacroRows rows;
  const MacroRow move = *InsertedMouseRow(0x200, 0, 300);
  EXPECT_EQ(move.line, "5,0,132,44,1,mouse_move_to_left_text") << "kept to eight bits";
  EXPECT_EQ(rows.InsertAfterSelection(move, std::nullopt), 0u);
  const std::vector<std::string> lines{"0,0,10,4,0,keyboard_key_A", "0,0,10,5,0,keyboard_key_B",
                                       "0,0,10,6,0,keyboard_key_C"};
  rows.Load(lines);
  EXPECT_EQ(rows.InsertAfterSelection(move, std::nullopt), 1u);
  EXPECT_EQ(rows.InsertAfterSelection(*InsertedMouseRow(0x20C, 1, 0), 3), 4u);
  EXPECT_EQ(rows.At(4).line, "5,0,1,8,0,mouse_key_back");
  EXPECT_FALSE(InsertedMouseRow(0x20C, 2, 0));
}

TEST(MacroRowsTest, MovesStopAtTheEndsAndTheRowEditorLeavesForeignRowsAlone) {
  MacroRows rows;
  const std::vector<std::string> lines{"0,0,10,4,0,keyboard_key_A", "junk", "7,0,5,9,0,mouse_move_to_down_text",
                                       "0,0,255,0,1,"};
  rows.Load(lines);
  EXPECT_FALSE(rows.MoveRow(0, MacroRows::Move::kUp));
  EXPECT_FALSE(rows.MoveRow(3, MacroRows::Move::kBottom));
  EXPECT_FALSE(rows.MoveRow(9, MacroRows::Move::kTop));
  EXPECT_FALSE(rows.SetKey(1, 8));
  EXPECT_FALSE(rows.SetDelay(1, 5));
  EXPECT_FALSE(rows.SetDistance(0, 5)) << "a key row has no distance";
  EXPECT_EQ(rows.Lines(), lines);
  EXPECT_EQ(rows.UnreadableLines(), 1u);

  const RowEditorView move = EditorViewOf(rows.At(2));
  EXPECT_EQ(move.page, 2);
  EXPECT_EQ(move.mouseChoice, 13);
  EXPECT_EQ(move.distance, 9);
  EXPECT_EQ(move.delayUnits, 7u);
  const RowEditorView wheel = EditorViewOf(rows.At(3));
  EXPECT_EQ(wheel.page, 2) << "the wheel opens the mouse editor, not the key editor";
  EXPECT_EQ(wheel.mouseChoice, static_cast<int>(kMouseChoiceWheel));
  EXPECT_EQ(EditorViewOf(rows.At(1)).page, 0);
  EXPECT_TRUE(rows.SetMouseEvent(2, 11));
  EXPECT_EQ(rows.At(2).line, "7,0,4,9,0,mouse_move_to_right_text") << "a move keeps its distance";
  EXPECT_TRUE(rows.SetMouseEvent(0, 10));
  EXPECT_EQ(rows.At(0).line, "0,0,132,0,1,mouse_move_to_left_text");
  EXPECT_TRUE(rows.SetDelay(0, 70000));
  EXPECT_EQ(rows.At(0).line.substr(0, 8), "255,255,");
}

}  // namespace
}  // namespace tavrinex::keys
