#include "irc/ctcp.h"
#include "irc/irc_client.h"
#include "shell/base/datetime.h"

// CTCP queries and replies, and the DCC requests carried by them.

namespace zelmo {

std::string TIdIRC::CtcpReplyText(int word) const {
  switch (word) {
    case ctcpFinger:
      return Replies.Finger;
    case ctcpUserInfo:
      return Replies.UserInfo;
    case ctcpVersion:
      return Replies.Version;
    case ctcpClientInfo:
      return Replies.ClientInfo;
    case ctcpTime:
      return "Local time is " + NowText();
    default:
      return {};
  }
}

void TIdIRC::HandleCtcpQuery() {
  std::optional<CtcpMessage> ctcp = ParseCtcp(Slot(3));
  if (!ctcp) return;
  UserHold user(Users, line_.SenderNick, line_.SenderAddress);
  TIdIRCChannel* channel = Channels.Find(Slot(2));
  bool suppress = false;
  int word = CtcpWordIndex(ctcp->Command);
  switch (word) {
    case ctcpAction:
      if (OnAction) OnAction(user.get(), channel, ctcp->Arguments);
      break;
    case ctcpDcc:
      HandleDcc(ctcp->Arguments);
      break;
    case ctcpPing:
    case ctcpFinger:
    case ctcpUserInfo:
    case ctcpVersion:
    case ctcpClientInfo:
    case ctcpTime: {
      if (OnCTCPQuery) OnCTCPQuery(user.get(), channel, ctcp->Command, ctcp->Arguments, suppress);
      if (suppress) break;
      std::string reply = word == ctcpPing ? ctcp->Arguments : CtcpReplyText(word);
      CTCPReply(line_.SenderNick, ctcp->Command, reply);
      break;
    }
    default:  // SOUND, ERROR and words outside the table get no answer
      if (OnCTCPQuery) OnCTCPQuery(user.get(), channel, ctcp->Command, ctcp->Arguments, suppress);
      break;
  }
}

void TIdIRC::HandleCtcpReply() {
  std::optional<CtcpMessage> ctcp = ParseCtcp(Slot(3));
  if (!ctcp) return;
  UserHold user(Users, line_.SenderNick, line_.SenderAddress);
  if (CtcpWordIndex(ctcp->Command) == ctcpDcc) return;
  if (OnCTCPReply) {
    OnCTCPReply(user.get(), Channels.Find(Slot(2)), ctcp->Command, ctcp->Arguments);
  }
}

void TIdIRC::HandleDcc(const std::string& arguments) {
  DccRequest request(arguments);
  const std::string& nick = line_.SenderNick;
  switch (request.Kind()) {
    case dccSend:
      if (OnDCCSend) {
        OnDCCSend(nick, request.Word(2), request.Word(3), request.Word(1), request.Word(4));
      }
      break;
    case dccChat:
      if (OnDCCChat) OnDCCChat(nick, request.Word(2), request.Word(3));
      break;
    case dccResume:
      if (OnDCCResume) OnDCCResume(nick, request.Word(2), request.Word(1), request.Word(3));
      break;
    case dccAccept:
      if (OnDCCAccept) OnDCCAccept(nick, request.Word(2), request.Word(1), request.Word(3));
      break;
    default:
      break;
  }
}

}  // namespace zelmo
