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

int RunLan(const CliOptions& options) {
    std::vector<int32_t> ports;
    if (!ParsePortList(options.Ports, ports)) {
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

    const size_t printed =
        PrintInAddressOrder(model.SearchResults, ServerPrinter(options.OutputFormat));
    return printed == 0 && options.Require ? ExitNoAnswer : ExitOk;
}
