// The classic transactions: sending and receiving one file, client requests
// to a Kermit server, and the probes that tell which framing the peer speaks.
#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// Runs a receive ('v') or send ('s') from pendingPacketType; outcome in errorFlag.
void ClassicTransferFile();
int ClassicSendFileHeader();
int ClassicSendData();
int ClassicSendEof(const std::string& text);
int ClassicSendBreak();
int ClassicOpenOutput();
int ClassicCloseOutput();

// Runs a get ('r') or generic command ('g') from pendingPacketType; outcome in errorFlag.
void ClassicRequest();
int ClassicSendText(std::uint8_t type, const std::string& text);

// 1 wide peer, 0 classic peer, -1 no decision within 15 s. mode 0: the PC is about to receive.
int ProbePlatform(int mode);
int ProbeSendInit();
std::uint8_t ProbeReadPacket();
// 1 acknowledged, 0 rejected, -1 no answer within 1 s.
int ClassicProbe();
int ClassicProbeSend();

}  // namespace corvane
