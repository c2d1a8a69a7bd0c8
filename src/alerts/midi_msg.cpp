#include "alerts/midi_msg.h"

#include "alerts/midi_out_device.h"

namespace vqm {

CShortMsg::CShortMsg(unsigned status, unsigned channel, unsigned data1, unsigned data2,
                     uint32_t timeStamp)
    : timeStamp_(timeStamp) {
  const uint32_t statusByte = (status & 0xFF) | (channel & 0xFF);
  dataBytes_ = (data1 & 0xFF) | (data2 & 0xFF) << 8;
  packed_ = statusByte | dataBytes_ << 8;
}

void CShortMsg::SendMsg(CMIDIOutDevice& device) const { device.SendShortMsg(packed_); }

}  // namespace vqm
