#include "alerts/midi_out_device.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "alerts/midi_msg.h"
#include "testing/fake_env.h"
#include "testing/recording_midi_out.h"

namespace vqm {
namespace {

using test::RecordingMidiOut;
using Call = RecordingMidiOut::Call;
using std::chrono::milliseconds;

TEST(ShortMsg, PacksStatusChannelAndDataBytesCutTo8Bits) {
  struct Case {
    unsigned status, channel, data1, data2;
    uint32_t packed, dataBytes;
  } cases[] = {
      {0x90, 0, 30, 127, 0x007F1E90, 0x7F1E},
      {0x80, 0, 30, 0, 0x00001E80, 0x001E},
      {0xC0, 0, 12, 0, 0x00000CC0, 0x000C},
      {0xC0, 0x3, 0xFFFFFFFF, 0x100, 0x0000FFC3, 0x00FF},  // program -1 becomes 0xFF
      {0x190, 0x1, 0x17F, 0x280, 0x00807F91, 0x807F},
  };
  for (const Case& c : cases) {
    const CShortMsg msg(c.status, c.channel, c.data1, c.data2);
    EXPECT_EQ(c.packed, msg.Packed()) << std::hex << c.status << " " << c.data1;
    EXPECT_EQ(c.dataBytes, msg.DataBytes());
    EXPECT_EQ(0u, msg.TimeStamp());
    EXPECT_EQ(3, msg.GetLength());
    EXPECT_EQ(c.packed, *static_cast<const uint32_t*>(msg.GetMsg()));
  }
}

// Polls until pred holds or two seconds pass.
template <class Pred>
bool Eventually(Pred pred) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(milliseconds(1));
  }
  return true;
}

class MidiOutDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override { test::SetMidiOutBackend(&midi_); }
  void TearDown() override {
    device_.reset();
    test::SetMidiOutBackend(nullptr);
  }

  // A queued header, remembered by the address of its MIDI header.
  platform::MidiHeader* Queue() {
    auto* header = new CMIDIOutDevice::CMIDIOutHeader;
    EXPECT_EQ(0, device_->QueueHeader(header));
    return &header->header;
  }

  RecordingMidiOut midi_;
  std::unique_ptr<CMIDIOutDevice> device_ = std::make_unique<CMIDIOutDevice>();
};

TEST_F(MidiOutDeviceTest, OpenSendsToTheDeviceUntilClosed) {
  ASSERT_EQ(0, device_->Open(0));
  EXPECT_TRUE(device_->IsOpen());
  device_->SendShortMsg(0x00403C90);
  device_->Close();
  EXPECT_FALSE(device_->IsOpen());
  device_->SendShortMsg(0x00003C80);  // closed: goes nowhere
  device_->Close();                   // closing twice closes once

  const auto records = midi_.Records();
  ASSERT_EQ(3u, records.size());
  EXPECT_EQ(Call::kOpen, records[0].call);
  EXPECT_EQ(0u, records[0].value);
  ASSERT_NE(nullptr, records[0].device);
  EXPECT_EQ(Call::kShortMessage, records[1].call);
  EXPECT_EQ(0x00403C90u, records[1].value);
  EXPECT_EQ(records[0].device, records[1].device);
  EXPECT_EQ(Call::kClose, records[2].call);
  EXPECT_EQ(records[0].device, records[2].device);
}

TEST_F(MidiOutDeviceTest, FailedOpenLeavesTheLastErrorAndSendsNothing) {
  midi_.FailOpen(4, 170);  // MMSYSERR_ALLOCATED; ERROR_BUSY
  EXPECT_EQ(-1, device_->Open(0));
  EXPECT_EQ("MIDI: OutOpen error (170)", device_->ErrorText());
  EXPECT_FALSE(device_->IsOpen());
  device_->SendShortMsg(0x00403C90);
  device_->Close();
  EXPECT_EQ(-1, device_->QueueHeader(nullptr));
  const auto records = midi_.Records();
  ASSERT_EQ(1u, records.size());
  EXPECT_EQ(Call::kOpen, records[0].call);
  EXPECT_EQ(nullptr, records[0].device);
}

TEST_F(MidiOutDeviceTest, DeviceDoneMakesTheWorkerReleaseTheNewestHeader) {
  ASSERT_EQ(0, device_->Open(0));
  platform::MidiHeader* first = Queue();
  platform::MidiHeader* second = Queue();
  platform::MidiHeader* third = Queue();

  // Only "done" wakes the worker.
  midi_.Notify(platform::kMidiOutOpened);
  midi_.Notify(platform::kMidiOutClosed);
  std::this_thread::sleep_for(milliseconds(30));
  EXPECT_TRUE(midi_.RecordsOf(Call::kUnprepareHeader).empty());
  EXPECT_EQ(3, device_->QueuedHeaders());

  midi_.Notify(platform::kMidiOutDone);
  ASSERT_TRUE(Eventually([&] { return device_->QueuedHeaders() == 2; }));
  auto released = midi_.RecordsOf(Call::kUnprepareHeader);
  ASSERT_EQ(1u, released.size());
  EXPECT_EQ(third, released[0].header);

  // Close releases the rest, each once, before the device itself.
  device_->Close();
  EXPECT_EQ(0, device_->QueuedHeaders());
  released = midi_.RecordsOf(Call::kUnprepareHeader);
  ASSERT_EQ(3u, released.size());
  EXPECT_EQ(first, released[1].header);
  EXPECT_EQ(second, released[2].header);
  EXPECT_EQ(Call::kClose, midi_.Records().back().call);
}

TEST_F(MidiOutDeviceTest, DestroyingAnOpenDeviceEndsTheWorkerPromptly) {
  for (int round = 0; round < 20; ++round) {
    device_ = std::make_unique<CMIDIOutDevice>();
    ASSERT_EQ(0, device_->Open(0));
    platform::MidiHeader* header = Queue();
    const auto start = std::chrono::steady_clock::now();
    device_.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(500));
    const auto records = midi_.Records();
    ASSERT_GE(records.size(), 2u);
    EXPECT_EQ(Call::kUnprepareHeader, records[records.size() - 2].call);
    EXPECT_EQ(header, records[records.size() - 2].header);
    EXPECT_EQ(Call::kClose, records.back().call);
  }
}

}  // namespace
}  // namespace vqm
