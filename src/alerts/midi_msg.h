// MIDI messages as objects. A CShortMsg is one channel message of up to two data bytes,
// kept packed in the form the MIDI output takes it.
#pragma once

#include <cstdint>

namespace vqm {

class CMIDIOutDevice;

class CMIDIMsg {
 public:
  virtual ~CMIDIMsg() = default;
  // Sends the message through device (nothing happens when the device is closed).
  virtual void SendMsg(CMIDIOutDevice& device) const = 0;
  // Bytes in the message.
  virtual int GetLength() const = 0;
  // The message as the MIDI output takes it.
  virtual const void* GetMsg() const = 0;
};

class CShortMsg : public CMIDIMsg {
 public:
  // status: upper four bits (0x90 note-on, 0x80 note-off, 0xC0 program change); channel is
  // ORed into the status byte. Every value is cut to 8 bits.
  CShortMsg(unsigned status, unsigned channel, unsigned data1, unsigned data2,
            uint32_t timeStamp = 0);

  void SendMsg(CMIDIOutDevice& device) const override;
  int GetLength() const override { return 3; }
  const void* GetMsg() const override { return &packed_; }

  uint32_t TimeStamp() const { return timeStamp_; }
  // Status in bits 0-7, first data byte in bits 8-15, second in bits 16-23.
  uint32_t Packed() const { return packed_; }
  // First data byte in bits 0-7, second in bits 8-15.
  uint32_t DataBytes() const { return dataBytes_; }

 private:
  uint32_t timeStamp_;
  uint32_t packed_;
  uint32_t dataBytes_;
};

}  // namespace vqm
