// Discovery, exchange, one-way send and closing of the link, on the simulated bus.

#include "hidlink/hid_link.h"

#include <gtest/gtest.h>

#include "kit/test_kit.h"

using hidlink::HidLink;

namespace {

class HidLinkTest : public ::testing::Test {
 protected:
  TestKit kit;
};

}  // namespace

TEST_F(HidLinkTest, DiscoveryStopsAtTheBoardAmongSeveralDevices) {
  kit.bus.AddDevice(0x046D, 0xC31C);
  kit.bus.AddDevice(0x03EB, 0x2FF4);  // same vendor, another product
  const int board = kit.AddBoard("ZBK 2.1", 65, 65);
  kit.bus.AddDevice(0x1234, 0x5678, /*openable=*/false);  // after the board: never opened
  EXPECT_TRUE(HidLink::FindDevice());
  EXPECT_TRUE(HidLink::connected);
  EXPECT_TRUE(kit.Boxes().empty());
  EXPECT_EQ(HidLink::caps.outputReportByteLength, 65);
  EXPECT_EQ(HidLink::caps.inputReportByteLength, 65);
  // The query, write and read handles of the board and nothing else stay open.
  EXPECT_EQ(kit.bus.OpenHandleCount(), 3);
  (void)board;
}

TEST_F(HidLinkTest, TwoBoardsUseTheFirst) {
  const int first = kit.AddBoard("ZBK 2.1");
  const int second = kit.AddBoard("ZBK 3.0");
  ASSERT_TRUE(HidLink::FindDevice());
  HidLink::outReport[1] = 's';
  HidLink::Exchange();
  ASSERT_EQ(kit.bus.Trace().size(), 2u);
  EXPECT_EQ(kit.bus.Trace()[0].device, first);
  EXPECT_NE(kit.bus.Trace()[0].device, second);
}

TEST_F(HidLinkTest, AnInterfaceThatCannotBeOpenedGivesTheSystemsTexts) {
  kit.bus.AddDevice(0x1234, 0x5678, /*openable=*/false);
  EXPECT_FALSE(HidLink::FindDevice());
  ASSERT_EQ(kit.BoxTexts().size(), 2u);
  EXPECT_EQ(kit.BoxTexts()[0], "CreateFile: Access is denied.");
  EXPECT_EQ(kit.BoxTexts()[1], "HidD_GetAttributes: The handle is invalid.");
  EXPECT_EQ(kit.Boxes()[0].caption, "zbk-utility");
  EXPECT_EQ(kit.Boxes()[0].type, ui::MB_OK);
}

TEST_F(HidLinkTest, ABoardThatRefusesItsWriteOrReadOpenIsNotFound) {
  struct Case {
    bool writeToo;
    const char* box;
  };
  for (const Case c : {Case{true, "CreateFile: Access is denied."},
                       Case{false, "CreateFile (ReadHandle): Access is denied."}}) {
    TestKit k;
    const int board = k.AddBoard();
    k.bus.DenyAccess(board, sim::SimHidPlatform::kForever, c.writeToo);
    EXPECT_FALSE(HidLink::FindDevice()) << c.box;
    EXPECT_FALSE(HidLink::connected);
    // One box for the one cause, and nothing is left open.
    EXPECT_EQ(k.BoxTexts(), std::vector<std::string>{c.box});
    EXPECT_EQ(HidLink::refusal, c.box);
    EXPECT_EQ(k.bus.OpenHandleCount(), 0);
    HidLink::Send();
    EXPECT_EQ(k.bus.WriteCount(), 0);

    // Held, the refusal waits for its caller; once access is granted the board is found.
    k.host.ClearBoxes();
    EXPECT_FALSE(HidLink::FindDevice(hidlink::OnRefusal::kHold));
    EXPECT_TRUE(k.Boxes().empty());
    EXPECT_EQ(HidLink::refusal, c.box);
    HidLink::ReportRefusal();
    EXPECT_EQ(k.BoxTexts(), std::vector<std::string>{c.box});
    k.bus.GrantAccess(board);
    EXPECT_TRUE(HidLink::FindDevice(hidlink::OnRefusal::kHold));
    EXPECT_TRUE(HidLink::refusal.empty());
    EXPECT_EQ(k.bus.OpenHandleCount(), 3);
  }
}

TEST_F(HidLinkTest, NoDeviceSetAtAll) {
  kit.AddBoard();
  kit.bus.SetDeviceSetAvailable(false);
  EXPECT_FALSE(HidLink::FindDevice());
  ASSERT_EQ(kit.BoxTexts().size(), 1u);
  EXPECT_EQ(kit.BoxTexts()[0],
            "SetupDiDestroyDeviceInfoList"
            "The handle is invalid.");
}

TEST_F(HidLinkTest, BoardAbsentShowsNothing) {
  kit.bus.AddDevice(0x046D, 0xC31C);
  EXPECT_FALSE(HidLink::FindDevice());
  EXPECT_TRUE(kit.Boxes().empty());
  EXPECT_EQ(kit.bus.OpenHandleCount(), 0);
}

TEST_F(HidLinkTest, ReportLengthsOutsideTheBuffersAreRefused) {
  struct Case {
    std::uint16_t out, in;
    bool accepted;
  };
  for (const Case c : {Case{257, 65, false}, Case{65, 300, false}, Case{10, 65, false},
                       Case{65, 8, false}, Case{11, 9, true}, Case{256, 256, true}}) {
    TestKit k;
    k.AddBoard("ZBK 2.1", c.out, c.in);
    EXPECT_EQ(HidLink::FindDevice(), c.accepted) << c.out << "/" << c.in;
    EXPECT_EQ(HidLink::connected, c.accepted);
    EXPECT_EQ(k.Boxes().size(), c.accepted ? 0u : 1u);
    if (!c.accepted) {
      EXPECT_NE(k.BoxTexts()[0].find(std::to_string(c.out)), std::string::npos);
      EXPECT_EQ(k.bus.OpenHandleCount(), 0);
      // Nothing goes out on a refused board, not even one way.
      HidLink::Send();
      EXPECT_EQ(k.bus.WriteCount(), 0);
    }
  }
}

TEST_F(HidLinkTest, RediscoveryClosesTheOldHandles) {
  kit.AddBoard();
  ASSERT_TRUE(HidLink::FindDevice());
  ASSERT_TRUE(HidLink::FindDevice());
  EXPECT_EQ(kit.bus.OpenHandleCount(), 3);
}

TEST_F(HidLinkTest, ExchangeSendsTheWholeReportAndKeepsUnwrittenBytes) {
  kit.AddBoard("ZBK 2.1", 65, 65);
  ASSERT_TRUE(HidLink::FindDevice());
  HidLink::outReport.fill(0xAB);
  HidLink::outReport[1] = 's';
  HidLink::Exchange();
  ASSERT_EQ(kit.Sent().size(), 1u);
  const auto sent = kit.Sent()[0];
  ASSERT_EQ(sent.size(), 65u);
  EXPECT_EQ(sent[0], 0);
  EXPECT_EQ(sent[1], 's');
  EXPECT_EQ(sent[2], 0xAB);
  EXPECT_EQ(sent[64], 0xAB);
  EXPECT_EQ(kit.Received().size(), 1u);
  EXPECT_TRUE(HidLink::connected);
}

TEST_F(HidLinkTest, ExchangeWhileClosedDoesNothing) {
  kit.AddBoard();
  HidLink::inReport[3] = 0x5A;
  HidLink::Exchange();  // never discovered
  EXPECT_TRUE(kit.bus.Trace().empty());
  EXPECT_EQ(HidLink::inReport[3], 0x5A);
}

TEST_F(HidLinkTest, NoReplyTimesOutAfter6000msOnTheVirtualClockAndCloses) {
  const int board = kit.AddBoard();
  ASSERT_TRUE(HidLink::FindDevice());
  kit.bus.SetNoReply(board, true);
  HidLink::inReport[1] = 7;
  const auto before = kit.clock.CounterUs();
  HidLink::outReport[1] = 's';
  HidLink::Exchange();
  EXPECT_EQ(kit.clock.CounterUs() - before, 6'000'000);
  EXPECT_FALSE(HidLink::connected);
  EXPECT_EQ(HidLink::inReport[0], 0);
  EXPECT_EQ(HidLink::inReport[1], 7);  // the last completed read's bytes stay
  EXPECT_EQ(kit.bus.OpenHandleCount(), 0);
  EXPECT_TRUE(kit.Boxes().empty());
  // The next exchange does nothing until a discovery reopens the link.
  kit.bus.SetNoReply(board, false);
  HidLink::Exchange();
  EXPECT_EQ(kit.Sent().size(), 1u);
  ASSERT_TRUE(HidLink::FindDevice());
  HidLink::Exchange();
  EXPECT_EQ(kit.Sent().size(), 2u);
}

TEST_F(HidLinkTest, WriteFailureInAnExchangeReturnsAtOnce) {
  const int board = kit.AddBoard();
  ASSERT_TRUE(HidLink::FindDevice());
  kit.bus.SetWriteFails(board, true);
  const auto before = kit.clock.CounterUs();
  HidLink::Exchange();
  EXPECT_EQ(kit.clock.CounterUs(), before);
  EXPECT_FALSE(HidLink::connected);
  EXPECT_EQ(kit.bus.OpenHandleCount(), 0);
}

TEST_F(HidLinkTest, OneWaySendIgnoresTheFlagAndClosesOnFailure) {
  const int board = kit.AddBoard();
  ASSERT_TRUE(HidLink::FindDevice());
  HidLink::outReport[1] = 'o';
  EXPECT_TRUE(HidLink::Send());
  EXPECT_EQ(kit.Sent().size(), 1u);
  EXPECT_TRUE(kit.Received().empty());

  // Unplugged: the board is gone from discovery, but the old write handle is still tried.
  kit.bus.Unplug(board);
  EXPECT_FALSE(HidLink::FindDevice());
  EXPECT_FALSE(HidLink::Send());
  EXPECT_EQ(kit.bus.OpenHandleCount(), 0);
  // After the close, a send finds no handle and returns at once.
  const auto before = kit.clock.CounterUs();
  EXPECT_FALSE(HidLink::Send());
  EXPECT_EQ(kit.clock.CounterUs(), before);
  EXPECT_EQ(kit.Sent().size(), 1u);
}

TEST_F(HidLinkTest, UnpluggedDuringAReadFailsWithoutWaiting) {
  const int board = kit.AddBoard();
  ASSERT_TRUE(HidLink::FindDevice());
  kit.bus.DropReplyAfter(board, 0);
  kit.bus.Unplug(board);
  const auto before = kit.clock.CounterUs();
  HidLink::Exchange();
  EXPECT_FALSE(HidLink::connected);
  EXPECT_EQ(kit.clock.CounterUs(), before);
}

// The board goes away after it took the report and before it answers: the read fails at once,
// not after the full time limit, and the link is closed.
TEST_F(HidLinkTest, UnpluggedBetweenTheWriteAndTheReadFailsAtOnceAndCloses) {
  const int board = kit.AddBoard();
  ASSERT_TRUE(HidLink::FindDevice());
  kit.bus.SetTraceSink([&](const sim::TraceEntry& e) {
    if (e.toBoard) kit.bus.Unplug(board);
  });
  const auto before = kit.clock.CounterUs();
  HidLink::outReport[1] = 's';
  HidLink::Exchange();
  kit.bus.SetTraceSink(nullptr);
  EXPECT_EQ(kit.Sent().size(), 1u);  // the write reached the board
  EXPECT_TRUE(kit.Received().empty());
  EXPECT_LT(kit.clock.CounterUs() - before, 1'000'000);
  EXPECT_FALSE(HidLink::connected);
  EXPECT_EQ(kit.bus.OpenHandleCount(), 0);
}
