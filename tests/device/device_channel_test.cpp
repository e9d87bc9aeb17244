#include "device/device_channel.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "channel_fixture.h"

namespace tavrinex::device {
namespace {

using Transfers = std::vector<std::pair<int, int>>;

Transfers Chunks(int total, int base) {
  Transfers out;
  for (int k = 0; k < total; k += 56) out.emplace_back(std::min(56, total - k), base + k);
  return out;
}

struct ChunkCase {
  std::string name;
  std::uint16_t blockLength;
  std::function<CommandResult(DeviceChannel&)> run;
  Command command;
  Transfers expected;
};

std::vector<std::uint8_t> gBuffer(2048, 0);

std::vector<ChunkCase> ChunkCases() {
  const auto readPage = [](unsigned p) {
    return [p](DeviceChannel& c) { return c.ReadKeyPage(p, gBuffer); };
  };
  return {
      {"DefaultKeys378", 378, [](DeviceChannel& c) { return c.ReadDefaultKeys(gBuffer); },
       Command::kReadDefaultKeys, Chunks(378, 0)},
      {"DefaultKeys512", 512, [](DeviceChannel& c) { return c.ReadDefaultKeys(gBuffer); },
       Command::kReadDefaultKeys, Chunks(512, 0)},
      {"KeyPage1", 512, readPage(1), Command::kReadKeyPage, Chunks(512, 126)},
      {"KeyPage4", 512, readPage(4), Command::kReadKeyPage, Chunks(512, 504)},
      {"WriteKeyPage1Of378", 378, [](DeviceChannel& c) { return c.WriteKeyPage(1, gBuffer); },
       Command::kWriteKeyPage, Chunks(378, 126)},
      {"LedColours378", 512,
       [](DeviceChannel& c) { return c.WriteLedColours(std::span(gBuffer).first(378)); },
       Command::kWriteLedColours, Chunks(378, 0)},
      {"Macros60", 512,
       [](DeviceChannel& c) { return c.WriteMacros(std::span(gBuffer).first(60)); },
       Command::kWriteMacros, Chunks(60, 0)},
  };
}

class ChunkedTransfer : public ChannelTest, public testing::WithParamInterface<ChunkCase> {};

TEST_P(ChunkedTransfer, SplitsIntoFiftySixByteChunksAtTheirOffsets) {
  const auto& c = GetParam();
  channel.blockLength = c.blockLength;
  EXPECT_EQ(c.run(channel), kResultOk);
  EXPECT_EQ(Seen(), c.expected);
  for (const auto& r : device->Requests()) EXPECT_EQ(r.CommandCode(), c.command);
}

INSTANTIATE_TEST_SUITE_P(Cases, ChunkedTransfer, testing::ValuesIn(ChunkCases()),
                         [](const auto& param) { return param.param.name; });

TEST(ChunkOffsets, KnownExamples) {
  // 378 bytes: six chunks of 56 and one of 42; 512: nine of 56 and one of 8.
  EXPECT_EQ(Chunks(378, 0).size(), 7u);
  EXPECT_EQ(Chunks(378, 0).back(), std::make_pair(42, 336));
  EXPECT_EQ(Chunks(512, 0).back(), std::make_pair(8, 504));
  // Page 1: second chunk at 182, sixth at 406 (bytes 0x96, 0x01).
  EXPECT_EQ(Chunks(512, 126)[1].second, 182);
  EXPECT_EQ(Chunks(512, 126)[5].second, 406);
}

TEST_F(ChannelTest, ChunkedReadPlacesEachChunkAtItsOffset) {
  std::vector<std::uint8_t> dest(512, 0xEE);
  ASSERT_EQ(channel.ReadKeyPage(1, dest), kResultOk);
  for (std::size_t j = 0; j < dest.size(); ++j) {
    ASSERT_EQ(dest[j], static_cast<std::uint8_t>(126 + j)) << j;
  }
}

TEST_F(ChannelTest, WrittenChunksCarryTheirSlice) {
  std::vector<std::uint8_t> source(378);
  for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<std::uint8_t>(i * 7);
  ASSERT_EQ(channel.WriteLedColours(source), kResultOk);
  const auto requests = device->Requests();
  ASSERT_EQ(requests.size(), 7u);
  const auto last = requests.back();
  for (std::size_t i = 0; i < 42; ++i) EXPECT_EQ(last.Data()[i], source[336 + i]);
  for (std::size_t i = 42; i < kFrameDataSize; ++i) EXPECT_EQ(last.Data()[i], 0);
}

TEST_F(ChannelTest, BusyStatusOnThirdChunkKeepsTheFirstTwo) {
  device->SetResponder([](const ReportFrame& r, std::size_t index) {
    auto reply = PatternReply(r);
    if (index == 2) reply.frame.bytes[frame::kStatus] = kStatusBusy;
    return reply;
  });
  std::vector<std::uint8_t> dest(512, 0xEE);
  EXPECT_EQ(channel.ReadDefaultKeys(dest), kResultStatusBusy);
  for (std::size_t j = 0; j < 112; ++j) ASSERT_EQ(dest[j], static_cast<std::uint8_t>(j));
  for (std::size_t j = 112; j < 512; ++j) ASSERT_EQ(dest[j], 0xEE) << j;
  EXPECT_EQ(device->RequestCount(), 3u);
}

TEST_F(ChannelTest, StatusBytesMapToResults) {
  const std::pair<std::uint8_t, CommandResult> cases[] = {
      {0x00, kResultOk}, {0x01, kResultOk}, {0xFD, kResultOk},
      {kStatusError, kResultStatusError}, {kStatusBusy, kResultStatusBusy}};
  for (const auto& [status, expected] : cases) {
    device->SetResponder([status = status](const ReportFrame& r, std::size_t) {
      auto reply = sim::EchoReply(r);
      reply.frame.bytes[frame::kStatus] = status;
      return reply;
    });
    EXPECT_EQ(channel.Begin(), expected) << int{status};
  }
}

TEST_F(ChannelTest, ReadInfoAndSettingsCopyTheReplyData) {
  std::array<std::uint8_t, kInfoBlockSize> info{};
  ASSERT_EQ(channel.ReadInfo(info), kResultOk);
  for (std::size_t i = 0; i < info.size(); ++i) EXPECT_EQ(info[i], i);
  EXPECT_EQ(device->Requests().back().Length(), 0x21);

  std::array<std::uint8_t, 5> settings{};
  ASSERT_EQ(channel.ReadSettings(64, settings), kResultOk);
  for (std::size_t i = 0; i < settings.size(); ++i) EXPECT_EQ(settings[i], 64 + i);
  EXPECT_EQ(Seen().back(), std::make_pair(5, 64));
}

TEST_F(ChannelTest, WriteSettingsSendsTheRecordAtOffsetZeroAndLeavesSharedLighting) {
  channel.sharedLightingActive = true;
  std::vector<std::uint8_t> record(56, 0);
  record[0] = 2;
  record[20] = 9;
  ASSERT_EQ(channel.WriteSettings(record), kResultOk);
  EXPECT_FALSE(channel.sharedLightingActive);
  const auto sent = device->Requests().back();
  EXPECT_EQ(sent.CommandCode(), Command::kWriteSettings);
  EXPECT_EQ(sent.Length(), 56);
  EXPECT_EQ(sent.Offset(), 0);
  EXPECT_EQ(sent.Data()[0], 2);
  EXPECT_EQ(sent.Data()[20], 9);
}

TEST_F(ChannelTest, BadPageAndEmptyTransfersNeedNoDevice) {
  channel.connected = false;  // these checks come before the connection check
  std::vector<std::uint8_t> block(512);
  EXPECT_EQ(channel.ReadKeyPage(5, block), kResultBadPage);
  EXPECT_EQ(channel.WriteKeyPage(7, block), kResultBadPage);
  // A key block always holds data: length 0 (an info read that failed) is no success.
  channel.blockLength = 0;
  EXPECT_EQ(channel.ReadDefaultKeys(block), kResultNoReply);
  EXPECT_EQ(channel.ReadKeyPage(0, block), kResultNoReply);
  EXPECT_EQ(channel.WriteKeyPage(4, block), kResultNoReply);
  EXPECT_EQ(channel.WriteLedColours({}), kResultOk);
  EXPECT_EQ(channel.WriteMacros({}), kResultOk);
  channel.connected = true;
  EXPECT_EQ(channel.ReadKeyPage(5, block), kResultBadPage);
  EXPECT_EQ(device->RequestCount(), 0u);
}

TEST_F(ChannelTest, DisconnectedChannelWritesNothing) {
  channel.connected = false;
  channel.sharedLightingActive = true;
  std::array<std::uint8_t, kInfoBlockSize> info{};
  std::vector<std::uint8_t> block(512);
  const std::vector<std::function<CommandResult()>> commands = {
      [&] { return channel.Begin(); },
      [&] { return channel.End(); },
      [&] { return channel.ReadInfo(info); },
      [&] { return channel.ReadSettings(0, std::span(block).first(1)); },
      [&] { return channel.WriteSettings(std::span(block).first(56)); },
      [&] { return channel.ReadDefaultKeys(block); },
      [&] { return channel.ReadKeyPage(0, block); },
      [&] { return channel.WriteKeyPage(0, block); },
      [&] { return channel.FactoryReset(); },
      [&] { return channel.WriteLedColours(std::span(block).first(60)); },
      [&] { return channel.WriteMacros(std::span(block).first(60)); },
  };
  for (std::size_t i = 0; i < commands.size(); ++i) EXPECT_EQ(commands[i](), 0) << i;
  EXPECT_FALSE(channel.sharedLightingActive);
  EXPECT_EQ(device->RequestCount(), 0u);
}

TEST_F(ChannelTest, UndersizedBuffersAreRefusedWithoutIo) {
  std::vector<std::uint8_t> small(100);
  EXPECT_EQ(channel.ReadDefaultKeys(small), kResultNoReply);
  EXPECT_EQ(channel.WriteKeyPage(0, small), kResultNoReply);
  EXPECT_EQ(channel.ReadSettings(0, {}), kResultNoReply);
  std::vector<std::uint8_t> tooLong(57);
  EXPECT_EQ(channel.WriteSettings(tooLong), kResultNoReply);
  EXPECT_EQ(device->RequestCount(), 0u);
}

TEST_F(ChannelTest, SilentDeviceGetsFourAttemptsThenZero) {
  device->SetResponder([](const ReportFrame&, std::size_t) { return sim::ScriptedReply::Silent(); });
  EXPECT_EQ(channel.Begin(), kResultNoReply);
  const auto requests = device->Requests();
  ASSERT_EQ(requests.size(), 4u);
  for (const auto& r : requests) EXPECT_EQ(r.bytes, requests.front().bytes);
}

TEST_F(ChannelTest, MalformedRepliesCountAsNoReply) {
  const std::vector<std::vector<std::uint8_t>> garbage = {
      std::vector<std::uint8_t>(10, 0x04),   // short
      std::vector<std::uint8_t>(65, 0x04),   // oversized
      std::vector<std::uint8_t>(1, 0x00)};
  for (const auto& bad : garbage) {
    device->SetResponder([bad](const ReportFrame& r, std::size_t index) {
      return index % 2 == 0 ? sim::ScriptedReply::Raw(bad) : sim::EchoReply(r);
    });
    const std::size_t before = device->RequestCount();
    EXPECT_EQ(channel.Begin(), kResultOk) << bad.size();
    EXPECT_EQ(device->RequestCount() - before, 2u) << bad.size();
  }
}

TEST_F(ChannelTest, UnplugInTheMiddleOfATransferFailsWithoutHanging) {
  device->SetResponder([](const ReportFrame& r, std::size_t index) {
    return index == 3 ? sim::ScriptedReply::Hangup() : sim::EchoReply(r);
  });
  std::vector<std::uint8_t> dest(512);
  const CommandResult r = channel.ReadDefaultKeys(dest);
  EXPECT_TRUE(r == kResultWriteFailed || r == kResultNoReply) << r;
  EXPECT_LE(device->RequestCount(), 4u + 3u);
}

TEST_F(ChannelTest, FactoryResetIsSentOnceAndReportsWhetherAReplyCame) {
  device->SetResponder([](const ReportFrame& r, std::size_t) {
    auto reply = sim::EchoReply(r);
    reply.frame.bytes[frame::kStatus] = kStatusError;  // not examined
    return reply;
  });
  EXPECT_EQ(channel.FactoryReset(), kResultOk);
  device->SetResponder([](const ReportFrame&, std::size_t) { return sim::ScriptedReply::Silent(); });
  EXPECT_EQ(channel.FactoryReset(), kResultNoReply);
  const auto requests = device->Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].bytes, ReportFrame::FactoryReset().bytes);
}

// Two threads share one channel, as the UI thread and an animation thread do: each must get
// the reply to its own request, never the other's.
TEST_F(ChannelTest, ConcurrentExchangesNeverTakeEachOthersReply) {
  device->SetResponder([](const ReportFrame& r, std::size_t) { return sim::EchoReply(r); });
  std::atomic<int> mismatches{0};
  const auto worker = [&](std::uint8_t tag) {
    for (int i = 0; i < 200; ++i) {
      const std::array<std::uint8_t, 2> data{tag, static_cast<std::uint8_t>(i)};
      ReportFrame reply;
      const auto request = ReportFrame::Request(Command::kWriteSettings, 2, 0, data);
      if (channel.Exchange(request, reply) != kResultOk) ++mismatches;
      if (reply.Data()[0] != tag || reply.Data()[1] != data[1]) ++mismatches;
    }
  };
  std::thread a(worker, std::uint8_t{1});
  std::thread b(worker, std::uint8_t{2});
  a.join();
  b.join();
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace tavrinex::device
