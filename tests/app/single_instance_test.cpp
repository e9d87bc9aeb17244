// The single-instance lock, the socket's message format, and the server's refusals.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/routing_types.h"
#include "app/sim_commands.h"
#include "app/single_instance.h"
#include "sim/sim_bus.h"

namespace tavrinex::app {
namespace {

TEST(SocketMessage, ParsesTheActivationAndTheOutsideMessagesOnly) {
  struct Case {
    std::string_view text;
    bool accepted;
    std::uint32_t id;
    std::string_view why;
  };
  const Case cases[] = {
      {"QUARTIKA_001", true, msg::kActivate, ""},
      {"MSG 0x0A03 5 16711680", true, msg::kLedColour, ""},
      {"MSG 0A04 125 40", true, msg::kLedAlpha, ""},
      {"MSG 0x0B03 0 0", true, msg::kSaveDefaultKeys, ""},
      {"MSG 0x0A02 0 0", true, msg::kPadReread, ""},
      {"MSG 0x0901 0 0", false, 0, "not accepted"},  // sent inside the program only
      {"MSG 0x0401 0 514", false, 0, "not accepted"},
      {"MSG 0x0A03 5", false, 0, "truncated"},
      {"MSG 0x0A03 5 1 9", false, 0, "extra"},
      {"MSG 0xZZ 5 1", false, 0, "id"},
      {"MSG 0x0A03 -5 1", false, 0, "parameters"},
      {"MSG 0x0A03 5 99999999999999999999", false, 0, "parameters"},
      {"QUARTIKA_002", false, 0, "unknown"},
      {"", false, 0, "unknown"},
      {std::string_view("MSG 0x0A03 5 1                                                              "),
       false, 0, "oversized"},
  };
  for (const Case& c : cases) {
    std::string why;
    const auto parsed = ParseSocketMessage(c.text, &why);
    EXPECT_EQ(parsed.has_value(), c.accepted) << c.text;
    if (parsed) {
      EXPECT_EQ(parsed->id, c.id) << c.text;
      EXPECT_EQ(ParseSocketMessage(FormatSocketMessage(*parsed), nullptr)->lparam, parsed->lparam);
    } else {
      EXPECT_NE(why.find(c.why), std::string::npos) << c.text << " -> " << why;
    }
  }
}

TEST(SimCommands, ParseTheActionAndTheDeviceOnly) {
  using device::DeviceKind;
  struct Case {
    std::string_view text;
    std::optional<SimCommand> command;
    std::string_view why;
  };
  const Case cases[] = {
      {"SIM plug kb", SimCommand{true, DeviceKind::kKeyboard}, ""},
      {"SIM unplug ms", SimCommand{false, DeviceKind::kMouse}, ""},
      {"SIM  unplug   mp", SimCommand{false, DeviceKind::kMousePad}, ""},
      {"SIM plug", std::nullopt, "malformed"},
      {"SIM plug kb now", std::nullopt, "malformed"},
      {"SIM eject kb", std::nullopt, "action"},
      {"SIM Plug kb", std::nullopt, "action"},
      {"SIM plug keyboard", std::nullopt, "device"},
      {"sim plug kb", std::nullopt, "unknown"},
  };
  for (const Case& c : cases) {
    std::string why;
    EXPECT_EQ(ParseSimCommand(c.text, &why), c.command) << c.text;
    if (!c.command) {
      EXPECT_NE(why.find(c.why), std::string::npos) << c.text << " -> " << why;
    }
  }
  for (const DeviceKind kind : device::kAllDeviceKinds) {
    for (const bool plug : {true, false}) {
      EXPECT_EQ(ParseSimCommand(FormatSimCommand({plug, kind}), nullptr), (SimCommand{plug, kind}));
    }
  }
}

TEST(InstanceLock, OnlyOneHolderAtATime) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("tavrinex-lock-test-" + std::to_string(getpid()));
  const Diagnostic quiet = [](std::string_view) {};
  {
    const InstanceLock first(path, quiet);
    EXPECT_TRUE(first.Acquired());
    const InstanceLock second(path, quiet);
    EXPECT_FALSE(second.Acquired());
  }
  const InstanceLock again(path, quiet);
  EXPECT_TRUE(again.Acquired());
  std::filesystem::remove(path);
}

// Another user may create the lock's file or folder first, or plant a symbolic link there: such
// a lock is not used, and the copy runs (as the first) with a line saying why, rather than
// being kept from running or writing through the link.
TEST(InstanceLock, ALockAnotherUserCouldHavePlacedIsNotUsedAndTheCopyRuns) {
  const auto root = std::filesystem::temp_directory_path() /
                    ("tavrinex-lock-test-" + std::to_string(getpid()) + "-squat");
  std::filesystem::create_directories(root);
  std::vector<std::string> lines;
  const Diagnostic note = [&](std::string_view l) { lines.emplace_back(l); };
  const auto usable = [&](const std::filesystem::path& path) {
    lines.clear();
    const InstanceLock first(path, note);
    const InstanceLock second(path, note);
    return first.Acquired() && !second.Acquired() && lines.empty();
  };

  // A fresh per-user folder is made private, and its lock works.
  EXPECT_TRUE(usable(root / "mine" / "VORLIXDRVER.lock"));
  EXPECT_EQ(std::filesystem::status(root / "mine").permissions(), std::filesystem::perms::owner_all);

  const auto link = root / "link" / "VORLIXDRVER.lock";
  std::filesystem::create_directories(link.parent_path());
  std::filesystem::create_symlink(root / "target", link);
  EXPECT_FALSE(usable(link));
  EXPECT_TRUE(InstanceLock(link, note).Acquired());
  EXPECT_FALSE(std::filesystem::exists(root / "target"));
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines.back().find("running as the first copy"), std::string::npos) << lines.back();

  const auto open = root / "open" / "VORLIXDRVER.lock";
  std::filesystem::create_directories(open.parent_path());
  std::filesystem::permissions(open.parent_path(), std::filesystem::perms::all);  // no sticky bit
  EXPECT_FALSE(usable(open));

  if (getuid() == 0) {  // files of another user can be made only as root
    const uid_t other = 65534;
    const auto theirs = root / "theirs" / "VORLIXDRVER.lock";
    std::filesystem::create_directories(theirs.parent_path());
    { std::ofstream(theirs.c_str()).put('x'); }
    ASSERT_EQ(::chown(theirs.c_str(), other, other), 0);
    EXPECT_FALSE(usable(theirs));
    const auto folder = root / "their-folder" / "VORLIXDRVER.lock";
    std::filesystem::create_directories(folder.parent_path());
    ASSERT_EQ(::chown(folder.parent_path().c_str(), other, other), 0);
    EXPECT_FALSE(usable(folder));
    EXPECT_FALSE(std::filesystem::exists(folder));
  }
  std::filesystem::remove_all(root);
}

struct ServerFixture : testing::Test {
  std::mutex mutex;
  std::vector<ui::Message> received;
  std::vector<SimCommand> simReceived;
  std::vector<std::string> lines;
  std::string name = "tavrinex-test-" + std::to_string(getpid()) + "-" +
                     testing::UnitTest::GetInstance()->current_test_info()->name();
  InstanceServer server{name,
                        [this](const ui::Message& m) {
                          const std::lock_guard lock(mutex);
                          received.push_back(m);
                        },
                        [this](std::string_view l) {
                          const std::lock_guard lock(mutex);
                          lines.emplace_back(l);
                        }};

  // Waits until the server has handled `count` connections' worth of output.
  void WaitFor(std::size_t count) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);  // ends a failure only
    while (std::chrono::steady_clock::now() < end) {
      {
        const std::lock_guard lock(mutex);
        if (received.size() + simReceived.size() + lines.size() >= count) return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
};

TEST_F(ServerFixture, DeliversMessagesOfTheSameUserAndIgnoresBadOnesWithALine) {
  ASSERT_TRUE(server.Start());
  EXPECT_TRUE(SendToRunningInstance(name, "QUARTIKA_001"));
  EXPECT_TRUE(SendToRunningInstance(name, "MSG 0x0A04 3 128"));
  EXPECT_TRUE(SendToRunningInstance(name, "MSG 0x0C01 0 0"));
  EXPECT_TRUE(SendToRunningInstance(name, std::string(200, 'x')));
  WaitFor(4);
  const std::lock_guard lock(mutex);
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].id, msg::kActivate);
  EXPECT_EQ(received[1].id, msg::kLedAlpha);
  EXPECT_EQ(received[1].wparam, 3u);
  EXPECT_EQ(received[1].lparam, 128);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("not accepted"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("oversized"), std::string::npos) << lines[1];
}

TEST_F(ServerFixture, IgnoresAnotherUser) {
  server.SetAllowedUid(getuid() + 1);  // as if the peer were someone else
  ASSERT_TRUE(server.Start());
  // The server may hang up before the message is sent: the send's own result is not the point.
  (void)SendToRunningInstance(name, "QUARTIKA_001");
  WaitFor(1);
  const std::lock_guard lock(mutex);
  EXPECT_TRUE(received.empty());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("ignored a connection of user"), std::string::npos);
}

// The name is open to anyone: a sender checks who listens and sends nothing to another user.
TEST_F(ServerFixture, ASenderTellsAnotherUsersListenerApartAndSendsItNothing) {
  ASSERT_TRUE(server.Start());
  EXPECT_EQ(SendToInstance(name, "QUARTIKA_001", std::chrono::milliseconds(500), getuid() + 1),
            SendOutcome::kOtherUser);
  EXPECT_EQ(SendToInstance(name, "QUARTIKA_001"), SendOutcome::kSent);
  WaitFor(1);
  server.Stop();
  const std::lock_guard lock(mutex);
  EXPECT_EQ(received.size(), 1u);
  EXPECT_EQ(SendToInstance(name + "-nobody", "QUARTIKA_001"), SendOutcome::kNobody);
}

TEST_F(ServerFixture, ASecondServerCannotListenAndNobodyListensAfterStop) {
  ASSERT_TRUE(server.Start());
  InstanceServer other(name, [](const ui::Message&) {}, [](std::string_view) {});
  EXPECT_FALSE(other.Start());
  server.Stop();
  // A later copy during shutdown: the send fails instead of waiting.
  EXPECT_FALSE(SendToRunningInstance(name, "QUARTIKA_001"));
}

TEST_F(ServerFixture, SimulatorCommandsAreIgnoredWithoutTheSimulator) {
  ASSERT_TRUE(server.Start());
  EXPECT_TRUE(SendToRunningInstance(name, "SIM plug kb"));
  WaitFor(1);
  const std::lock_guard lock(mutex);
  EXPECT_TRUE(received.empty());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("--simulate"), std::string::npos) << lines[0];
}

TEST_F(ServerFixture, SimulatorCommandsPlugAndUnplugThroughTheSocket) {
  sim::SimBus bus;
  sim::SimulatedDevices devices(bus);
  devices.PlugAll();
  server.AcceptSimCommands([&](const SimCommand& command) {
    ApplySimCommand(devices, command);
    const std::lock_guard lock(mutex);
    simReceived.push_back(command);
  });
  ASSERT_TRUE(server.Start());
  ASSERT_TRUE(SendToRunningInstance(name, FormatSimCommand({false, device::DeviceKind::kMouse})));
  WaitFor(1);
  EXPECT_FALSE(devices.mouse.IsPlugged());
  EXPECT_TRUE(devices.keyboard.IsPlugged());
  EXPECT_TRUE(devices.mousePad.IsPlugged());
  ASSERT_TRUE(SendToRunningInstance(name, "SIM unplug zz"));
  ASSERT_TRUE(SendToRunningInstance(name, "SIM plug ms"));
  WaitFor(3);
  server.Stop();  // before the devices its receiver uses go
  EXPECT_TRUE(devices.mouse.IsPlugged());
  const std::lock_guard lock(mutex);
  EXPECT_TRUE(received.empty());
  EXPECT_EQ(simReceived.size(), 2u);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("unknown simulated device"), std::string::npos) << lines[0];
}

TEST(ProfileRequests, CarryAFolderAndANameWithSpacesAndRefuseAnythingElse) {
  const ProfileRestoreRequest request{device::DeviceKind::kMouse, "2", "/home/a b/Docs/ms/", "Light B.led"};
  const std::string text = FormatProfileRestore(request);
  EXPECT_EQ(ParseProfileRestore(text, nullptr), request);
  for (const std::string& bad : {std::string("PROFILE restore\nzz\n1\n/f/\nA"), std::string("PROFILE restore\nkb\n1\n/f/"),
                                std::string("PROFILE remove\nkb\n1\n/f/\nA"), std::string("PROFILE restore\nkb\n\n/f/\nA"),
                                text + "\nextra", std::string(kMaxRequestMessage + 1, 'P')}) {
    std::string why;
    EXPECT_FALSE(ParseProfileRestore(bad, &why)) << bad;
    EXPECT_FALSE(why.empty());
  }
}

TEST_F(ServerFixture, AProfileRequestIsAnsweredOnItsOwnConnection) {
  const ProfileRestoreRequest request{device::DeviceKind::kKeyboard, "1", "/docs/kb/", std::string(300, 'n')};
  EXPECT_EQ(AskInstance(name, FormatProfileRestore(request), std::chrono::milliseconds(300)).outcome,
            SendOutcome::kNobody);
  server.AcceptProfileRequests([&](const ProfileRestoreRequest& got) {
    return got == request ? std::string("OK restored") : std::string("ERR other");
  });
  ASSERT_TRUE(server.Start());
  EXPECT_EQ(AskInstance(name, FormatProfileRestore(request), std::chrono::seconds(5)).text, "OK restored");
  const auto refused = AskInstance(name, "PROFILE restore\nkb", std::chrono::seconds(5)).text;
  ASSERT_TRUE(refused);
  EXPECT_TRUE(refused->starts_with("ERR malformed")) << *refused;
  server.Stop();
  const std::lock_guard lock(mutex);
  EXPECT_TRUE(received.empty()) << "requests are no window messages";
}

TEST_F(ServerFixture, ACopyWithoutAProfileReceiverAnswersWithAnError) {
  ASSERT_TRUE(server.Start());
  const auto answer = AskInstance(name, FormatProfileRestore({device::DeviceKind::kMousePad, "1", "/d/", "A"}),
                                  std::chrono::seconds(5)).text;
  ASSERT_TRUE(answer);
  EXPECT_TRUE(answer->starts_with("ERR ")) << *answer;
}

TEST(InstanceNames, CarryTheUserId) {
  const std::string uid = std::to_string(getuid());
  EXPECT_NE(InstanceSocketName().find(uid), std::string::npos);
  EXPECT_NE(InstanceSocketName().find("QUARTIKA_001"), std::string::npos);
  EXPECT_NE(InstanceLockPath().filename().string().find("VORLIXDRVER"), std::string::npos);
}

}  // namespace
}  // namespace tavrinex::app
