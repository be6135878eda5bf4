#include "LanCommand.h"

#include "AddressCheck.h"
#include "CliSession.h"
#include "Gbk.h"
#include "LanSearch.h"
#include "MessageTable.h"
#include "ServerIntake.h"
#include "ServerList.h"
#include "ServerPrinter.h"

#include <algorithm>
#include <iostream>

namespace {

bool ParsePorts(const std::string& text, std::vector<int32_t>& ports) {
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const auto port = ParseInt32(Trim(text.substr(start, comma - start)));
        if (!port || *port < 1 || *port > 65535)
            return false;
        ports.push_back(*port);
        start = comma + 1;
    }
    return !ports.empty();
}

// Address order for printing; rows whose IP is not an address go last.
std::pair<uint64_t, int64_t> OrderKey(const ServerStructure& row) {
    AddressPort a{};
    const bool ok = ParseAddressPort(row.IP, "1", a) == AddressCheck::Ok;
    return {ok ? AddressNumber(a) : (uint64_t{1} << 32), NumericKey(row.Port)};
}

} // namespace

int RunLan(const CliOptions& options) {
    std::vector<int32_t> ports;
    if (!ParsePorts(options.Ports, ports)) {
        std::cerr << MessageLine(MsgInvalidPort, MsgNotice) << '\n';
        return ExitBadInput;
    }
    CliSession session(0);
    QCoreApplication& app = session.App();
    BrowserModel model;
    ServerIntake intake(model); // both versions are taken: the default filters are on
    LanSearch lan(model, intake);
    // Binary answers are taken only from the networks the search asked.
    intake.Asked = [&lan](const std::string& host, int port) { return lan.Covers(host, port); };
    lan.ListenMs = options.WaitMs;
    // What the window's search log shows goes to standard error.
    lan.LogLine = [](const std::string& line) { std::cerr << GbkToUtf8(line) << '\n'; };
    lan.Finished = [&app](int) { app.quit(); };
    switch (lan.Start(ports)) {
    case LanSearch::StartResult::Started:
        app.exec();
        break;
    case LanSearch::StartResult::NoSocket:
        return ExitSocket;
    default:
        return options.Require ? ExitNoAnswer : ExitOk;
    }

    std::vector<const ServerStructure*> rows;
    for (const ServerStructure& row : model.SearchResults)
        rows.push_back(&row);
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto* a, const auto* b) { return OrderKey(*a) < OrderKey(*b); });
    const ServerPrinter printer(options.OutputFormat);
    for (const ServerStructure* row : rows)
        std::cout << printer.Line(*row) << '\n';
    std::cout.flush();
    return rows.empty() && options.Require ? ExitNoAnswer : ExitOk;
}
