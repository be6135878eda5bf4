#include "DetailsController.h"

#include "A2sProtocol.h"
#include "AnswerApply.h"
#include "AnswerRecord.h"
#include "Gbk.h"
#include "QueryProtocol.h"
#include "ServerList.h"
#include "TNMUDP.h"

#include <algorithm>
#include <exception>
#include <string_view>

namespace {

// Info keys and the box each fills; "protocol" is shown as a version name instead.
struct KeyBox {
    std::string_view Key;
    int Box;
};
constexpr KeyBox InfoBoxes[] = {{"hostname", 0}, {"address", 1}, {"password", 3},
                                {"map", 4},      {"players", 5}, {"max", 16}};
constexpr KeyBox RuleBoxes[] = {
    {"cm_timeleft", 6},    {"mp_startmoney", 7}, {"mp_timelimit", 8},  {"mp_buytime", 9},
    {"mp_freezetime", 10}, {"mp_c4timer", 11},   {"mp_roundtime", 12}, {"mp_friendlyfire", 13},
    {"mp_tkpunish", 14},   {"cm_nextmap", 15},
};
constexpr int VersionBox = 17, ResponseBox = 2;

// What the binary dialect adds, in the panel's words; a key an answer does not carry
// leaves its box as it is, so a server's second reply ('m' after 'I') loses nothing.
std::string OsName(std::string_view os) {
    if (os == "l")
        return "Linux";
    if (os == "w")
        return "Windows";
    if (os == "m" || os == "o")
        return "macOS";
    return std::string(os);
}

std::string VacName(std::string_view secure) {
    if (secure == "1")
        return G("开启");
    if (secure == "0")
        return G("关闭");
    return std::string(secure);
}

std::string DialectName(QueryDialect dialect) {
    return dialect == QueryDialect::Binary ? G("二进制 (A2S)") : G("文本");
}

const std::string CaptionPrefix = "Quarrix  V1.6.0   -   ";
const std::string PlainCaption = "Quarrix  V1.6.0";

} // namespace

DetailsController::DetailsController(BrowserModel& model, const Clock& clock)
    : Model(model), Time(clock), ReceiveBuffer(TNMUDP::MaxDatagram), BoxTexts(BoxCount) {}

void DetailsController::SendTo(const std::string& host, const std::string& port,
                               const Bytes& request) {
    const std::optional<int32_t> number = ParseInt32(port);
    if (!Send || !number)
        return;
    try {
        Send(host, *number, request);
    } catch (const std::exception&) {
        // Lost like any datagram that cannot leave; the panel waits as for a silent server.
    }
}

void DetailsController::Pick(const std::string& ip, const std::string& port, QueryDialect dialect) {
    Picked = CanonicalAddress(ip, port);
    Answering = Picked;
    PickedDialect = dialect;
    InfoDialect = QueryDialect::Unknown;
    // Nothing of an earlier pick's challenges or split replies serves this one.
    Challenge = A2sChallengeState();
    Joiner.Clear();
}

QueryDialect DetailsController::RowDialect(const std::string& ip, const std::string& port) const {
    for (const ServerRows* rows : {&Model.SearchResults, &Model.Favorites}) {
        const std::optional<size_t> at = rows->FindFirst(ip, port);
        if (at && (*rows)[*at].Dialect != QueryDialect::Unknown)
            return (*rows)[*at].Dialect;
    }
    return QueryDialect::Unknown;
}

void DetailsController::SendInfoRequests(const std::string& ip, const std::string& port) {
    if (PickedDialect != QueryDialect::Binary)
        SendTo(ip, port, InfoRequest());
    if (PickedDialect != QueryDialect::Text)
        SendTo(ip, port, Challenge.Begin(A2sQuery::Info));
}

bool DetailsController::FromAnswering(const std::string& fromIP, int port) const {
    return Answering && Answering->IP == fromIP && Answering->Port == std::to_string(port);
}

bool DetailsController::NamesPicked(const ServerInfoStructure& info) const {
    const std::optional<ServerStructure> answer = BuildAnswerRecord(info);
    return Picked && answer && answer->IP == Picked->IP && answer->Port == Picked->Port;
}

void DetailsController::RequestDetails(ServerRows& list, size_t position) {
    if (position >= list.size())
        return;
    const uint32_t now = Time.TickCount();
    list.Update(position, [now](ServerStructure& row) { BlankForQuery(row, now); });
    const std::string ip = list[position].IP, port = list[position].Port;
    Pick(ip, port, list[position].Dialect);
    SendInfoRequests(ip, port);
    Model.SelectedAddress = ip + ":" + port;
    if (View.SetWindowCaption)
        View.SetWindowCaption(CaptionPrefix + ip + " : " + port);
    Model.DetailSentAt = Time.TickCount();
    Model.DetailState = DetailInfo;
    if (View.FillPlayersList)
        View.FillPlayersList({});
    if (View.FillRulesList)
        View.FillRulesList({});
    ClearDetails();
}

void DetailsController::QueryDetails(const std::string& address) {
    if (address.empty())
        return;
    const size_t colon = address.find(':');
    const std::string ip = address.substr(0, colon);
    const std::string port = colon == std::string::npos ? std::string() : address.substr(colon + 1);
    Pick(ip, port, RowDialect(ip, port));
    SendInfoRequests(ip, port);
    Model.DetailSentAt = Time.TickCount();
    Model.DetailState = DetailInfo;
}

void DetailsController::ForgetPicked() {
    Picked.reset();
    Answering.reset();
    Challenge = A2sChallengeState();
    Joiner.Clear();
    Model.SelectedAddress.clear();
    if (View.SetWindowCaption)
        View.SetWindowCaption(PlainCaption);
    ClearDetails();
    if (View.FillPlayersList)
        View.FillPlayersList({});
    if (View.FillRulesList)
        View.FillRulesList({});
}

void DetailsController::ClearDetails() {
    for (int box = 0; box < BoxCount; ++box)
        SetBox(box, std::string());
}

void DetailsController::SetBox(int box, const std::string& text) {
    BoxTexts[static_cast<size_t>(box)] = text;
    if (View.SetBox)
        View.SetBox(box, text);
}

bool DetailsController::ActivePageIsPlayers() const {
    return View.ActivePage && View.ActivePage() == PlayersPage;
}

void DetailsController::NMUDP0DataReceived(TNMUDP& sender, int numberBytes,
                                           const std::string& fromIP, int port) {
    if (numberBytes == -1)
        return;
    std::vector<uint8_t> datagram(TNMUDP::MaxDatagram);
    const int n = sender.ReadDatagram(std::span<uint8_t>(datagram));
    datagram.resize(static_cast<size_t>(std::max(n, 0)));
    TakeDatagram(datagram, fromIP, port);
}

void DetailsController::TakeDatagram(std::span<const uint8_t> datagram, const std::string& fromIP,
                                     int port) {
    // The zeroed buffer lets a short datagram end its last text where it ends.
    std::fill(ReceiveBuffer.begin(), ReceiveBuffer.end(), uint8_t{0});
    const size_t n = std::min(datagram.size(), ReceiveBuffer.size());
    std::copy_n(datagram.begin(), n, ReceiveBuffer.begin());
    const std::span<uint8_t> bytes(ReceiveBuffer.data(), n);

    if (TakeBinary(bytes, fromIP, port))
        return;
    if (Model.DetailState == DetailInfo && Picked) {
        TakeInfoAnswer(bytes, fromIP, port);
        return;
    }
    if (!FromAnswering(fromIP, port)) {
        // Another server's late info answer still serves its own rows, never the panel.
        MarkInfoHeader(bytes);
        ServerInfoStructure info;
        if (ParseInfoAnswer(bytes, info))
            ApplyInfoToRows(info);
        return;
    }

    switch (Model.DetailState.load()) {
    case DetailPlayers:
        if (ParsePlayersAnswer(bytes, DetailPlayers, Model.PlayersInfo, Model.PlayerCount))
            FillPlayersList();
        break;
    case DetailRules:
        if (ParseRulesAnswer(bytes, DetailRules, Model.RulesInfo, Model.RuleCount)) {
            ShowRuleDetails();
            FillRulesList();
        }
        if (ActivePageIsPlayers()) {
            Model.DetailState = DetailPlayers;
            AskNext(PlayersRequest());
        }
        break;
    default:
        Model.DetailState = DetailIdle;
        break;
    }
}

void DetailsController::TakeInfoAnswer(std::span<uint8_t> bytes, const std::string& fromIP,
                                       int port) {
    const uint32_t receivedAt = Time.TickCount();
    MarkInfoHeader(bytes);
    ServerInfoStructure info;
    const bool isInfo = ParseInfoAnswer(bytes, info);
    if (!FromAnswering(fromIP, port)) {
        if (!isInfo || !NamesPicked(info)) {
            // Another server's late info answer still serves its own rows, never the panel.
            if (isInfo)
                ApplyInfoToRows(info);
            return;
        }
        // The picked server answers from another address or port; it is asked there.
        Answering = ServerKey{fromIP, std::to_string(port)};
    }
    InfoDialect = QueryDialect::Text;
    SetBox(DialectBox, DialectName(InfoDialect));
    Model.DetailReceivedAt = receivedAt;
    if (isInfo) {
        Model.ServerInfo = info;
        ApplyInfoToRows(Model.ServerInfo);
        const auto elapsed = static_cast<int32_t>(Model.DetailReceivedAt - Model.DetailSentAt);
        SetBox(ResponseBox, std::to_string(elapsed));
        ShowInfoDetails();
    }
    AskPlayersOrRules();
}

void DetailsController::AskPlayersOrRules() {
    const bool binary = InfoDialect == QueryDialect::Binary;
    if (ActivePageIsPlayers()) {
        Model.DetailState = DetailPlayers;
        AskNext(binary ? Challenge.Begin(A2sQuery::Players) : PlayersRequest());
    } else {
        Model.DetailState = DetailRules;
        AskNext(binary ? Challenge.Begin(A2sQuery::Rules) : RulesRequest());
    }
}

bool DetailsController::TakeBinary(std::span<const uint8_t> bytes, const std::string& fromIP,
                                   int port) {
    const bool fromPicked = Picked && Picked->IP == fromIP && Picked->Port == std::to_string(port);
    if (const auto challenge = ParseA2sChallenge(bytes)) {
        // Only the picked server's own challenge is answered, and only for a query of ours.
        if (fromPicked && FromAnswering(fromIP, port) && Challenge.Running())
            if (const auto again = Challenge.OnChallenge(*challenge))
                SendTo(Picked->IP, Picked->Port, *again);
        return true;
    }
    A2sInfo info;
    if (ParseA2sInfo(bytes, info)) {
        TakeBinaryInfo(info, fromIP, port);
        return true;
    }
    const bool split = SplitReassembler::IsSplit(bytes);
    const uint8_t type = A2sReplyType(bytes);
    const bool detail =
        split || ((type == 0x44 || type == 0x45) && InfoDialect == QueryDialect::Binary);
    if (!detail)
        return false;
    // A late reply of an earlier pick, or of another server, never reaches the panel.
    if (!fromPicked || !FromAnswering(fromIP, port) || InfoDialect != QueryDialect::Binary)
        return true;
    if (!split) {
        TakeBinaryDetail(bytes);
        return true;
    }
    const uint32_t now = Time.TickCount();
    Joiner.Expire(now);
    Bytes joined;
    if (Joiner.Take(bytes, now, joined) == SplitReassembler::Result::Complete)
        TakeBinaryDetail(joined);
    return true;
}

void DetailsController::TakeBinaryInfo(const A2sInfo& binary, const std::string& fromIP, int port) {
    const uint32_t receivedAt = Time.TickCount();
    const ServerInfoStructure info = A2sInfoPairs(binary, fromIP, port);
    // The binary dialect's sender is the server: only the picked one's answer is shown.
    if (!NamesPicked(info)) {
        ApplyInfoToRows(info, QueryDialect::Binary);
        return;
    }
    Model.ServerInfo = info;
    ApplyInfoToRows(Model.ServerInfo, QueryDialect::Binary);
    ShowInfoDetails();
    if (Model.DetailState != DetailInfo) {
        // A second info reply to the same request ('m' and 'I') or a binary answer
        // following the text one: it completes the boxes, the queries go on.
        return;
    }
    Challenge.Answered();
    Answering = Picked;
    InfoDialect = QueryDialect::Binary;
    SetBox(DialectBox, DialectName(InfoDialect));
    Model.DetailReceivedAt = receivedAt;
    const auto elapsed = static_cast<int32_t>(Model.DetailReceivedAt - Model.DetailSentAt);
    SetBox(ResponseBox, std::to_string(elapsed));
    AskPlayersOrRules();
}

void DetailsController::TakeBinaryDetail(std::span<const uint8_t> reply) {
    switch (Model.DetailState.load()) {
    case DetailPlayers:
        if (ParseA2sPlayers(reply, Model.PlayersInfo, Model.PlayerCount)) {
            Challenge.Answered();
            FillPlayersList();
        }
        break;
    case DetailRules:
        if (!ParseA2sRules(reply, Model.RulesInfo, Model.RuleCount))
            break;
        Challenge.Answered();
        ShowRuleDetails();
        FillRulesList();
        if (ActivePageIsPlayers()) {
            Model.DetailState = DetailPlayers;
            AskNext(Challenge.Begin(A2sQuery::Players));
        }
        break;
    default:
        break;
    }
}

void DetailsController::AskNext(const Bytes& request) {
    if (Answering)
        SendTo(Answering->IP, Answering->Port, request);
}

void DetailsController::ShowInfoDetails() {
    const ServerInfoStructure& info = Model.ServerInfo;
    for (int i = 0; i < InfoPairCount; ++i) {
        const std::string& key = info.Keys[static_cast<size_t>(i)];
        const std::string& value = info.Values[static_cast<size_t>(i)];
        if (key == "protocol") {
            // Only the two known versions are named (today's 48 is 1.6), and another
            // game by its folder; anything else leaves the box alone.
            const std::optional<int32_t> number = ParseInt32(value);
            const std::string tag = number ? VersionTag(*number, InfoValue(info, "gamedir")) : "";
            if (tag == "46")
                SetBox(VersionBox, "CS 1.5");
            else if (tag == "47")
                SetBox(VersionBox, "CS 1.6");
            else if (tag == "00")
                SetBox(VersionBox, std::string(InfoValue(info, "gamedir")));
            continue;
        }
        for (const KeyBox& k : InfoBoxes)
            if (key == k.Key)
                SetBox(k.Box, value);
        if (key == "bots")
            SetBox(BotsBox, value);
        else if (key == "os")
            SetBox(OsBox, OsName(value));
        else if (key == "secure")
            SetBox(VacBox, VacName(value));
        else if (key == "version")
            SetBox(ServerVersionBox, value);
    }
}

void DetailsController::ShowRuleDetails() {
    const int count = std::clamp(Model.RuleCount, 0, MaxRulesInfo);
    for (int i = 0; i < count; ++i)
        for (const KeyBox& k : RuleBoxes)
            if (Model.RulesInfo.Names[static_cast<size_t>(i)] == k.Key)
                SetBox(k.Box, Model.RulesInfo.Values[static_cast<size_t>(i)]);
}

void DetailsController::FillPlayersList() {
    std::vector<PlayerLine> players;
    const int count = std::clamp(Model.PlayerCount, 0, MaxPlayersInfo);
    for (int i = 0; i < count; ++i) {
        const auto k = static_cast<size_t>(i);
        players.push_back(
            {Model.PlayersInfo.Numbers[k], Model.PlayersInfo.Names[k], Model.PlayersInfo.Frags[k]});
    }
    if (View.FillPlayersList)
        View.FillPlayersList(players);
}

void DetailsController::FillRulesList() {
    std::vector<RuleLine> rules;
    const int count = std::clamp(Model.RuleCount, 0, MaxRulesInfo);
    for (int i = 0; i < count; ++i) {
        const auto k = static_cast<size_t>(i);
        rules.push_back({Model.RulesInfo.Names[k], Model.RulesInfo.Values[k]});
    }
    if (View.FillRulesList)
        View.FillRulesList(rules);
}

void DetailsController::ApplyInfoToRows(const ServerInfoStructure& info, QueryDialect dialect) {
    const std::optional<ServerStructure> answer = BuildAnswerRecord(info, dialect);
    if (!answer)
        return;
    const uint32_t now = Time.TickCount();
    const auto [filter1, filter2] =
        ResultFilters ? ResultFilters() : std::pair<std::string, std::string>("1", "1");
    const bool filtered = (filter1 == "0" && answer->Protocol == "46") ||
                          (filter2 == "0" && answer->Protocol == "47");
    if (!filtered)
        ApplyAnswerToSearchResults(Model.SearchResults, *answer, now);
    ApplyAnswerToFavorites(Model.Favorites, *answer, now);
}
