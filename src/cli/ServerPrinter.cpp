#include "ServerPrinter.h"

#include "AddressCheck.h"
#include "Gbk.h"
#include "MessageTable.h"
#include "ServerList.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <iostream>

namespace {

// UTF-8 for a terminal cell: no tab or line break may split the record.
std::string Cell(const std::string& gbk) {
    std::string out = GbkToUtf8(gbk);
    for (char& c : out)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return out;
}

QString Json(const std::string& gbk) {
    return QString::fromStdString(GbkToUtf8(gbk));
}

QJsonValue Number(const std::string& text) {
    const auto n = ParseInt32(text);
    return n ? QJsonValue(*n) : QJsonValue(QJsonValue::Null);
}

QJsonObject RowObject(const ServerStructure& row) {
    QJsonObject o;
    o.insert(QStringLiteral("name"), Json(row.Name));
    o.insert(QStringLiteral("ip"), Json(row.IP));
    o.insert(QStringLiteral("port"), Number(row.Port));
    o.insert(QStringLiteral("map"), Json(row.Map));
    o.insert(QStringLiteral("players"), Number(row.Players));
    o.insert(QStringLiteral("max"), Number(row.MaxPlayers));
    o.insert(QStringLiteral("protocol"), Number(row.Protocol));
    o.insert(QStringLiteral("password"), row.Password == "1"   ? QJsonValue(true)
                                         : row.Password == "0" ? QJsonValue(false)
                                                               : QJsonValue(QJsonValue::Null));
    o.insert(QStringLiteral("response_ms"), Number(row.Response));
    o.insert(QStringLiteral("dialect"), Json(DialectText(row.Dialect)));
    o.insert(QStringLiteral("bots"), Number(row.Bots));
    o.insert(QStringLiteral("os"), Json(OsText(row.Os)));
    o.insert(QStringLiteral("vac"), row.Secure == 1   ? QJsonValue(true)
                                    : row.Secure == 0 ? QJsonValue(false)
                                                      : QJsonValue(QJsonValue::Null));
    o.insert(QStringLiteral("folder"), Json(row.GameFolder));
    o.insert(QStringLiteral("version"), Json(row.Version));
    return o;
}

std::string Compact(const QJsonObject& o) {
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

} // namespace

std::string DialectText(QueryDialect dialect) {
    switch (dialect) {
    case QueryDialect::Text:
        return "text";
    case QueryDialect::Binary:
        return "binary";
    case QueryDialect::Unknown:
        break;
    }
    return "";
}

std::string OsText(char os) {
    switch (os) {
    case 'l':
        return "linux";
    case 'w':
        return "windows";
    case 'm':
    case 'o':
        return "mac";
    default:
        return "";
    }
}

std::string ServerPrinter::Line(const ServerStructure& row) const {
    if (Format == CliOptions::Format::Json)
        return Compact(RowObject(row));
    std::string out;
    for (const std::string* field : {&row.Name, &row.IP, &row.Port, &row.Map, &row.Players,
                                     &row.MaxPlayers, &row.Protocol, &row.Password}) {
        out += Cell(*field);
        out += '\t';
    }
    out += Cell(row.Response);
    // What the answers add, after the columns older readers of this output know.
    const std::string vac = row.Secure == 1 ? "1" : row.Secure == 0 ? "0" : "";
    for (const std::string& field :
         {DialectText(row.Dialect), row.Bots, OsText(row.Os), vac, row.GameFolder, row.Version}) {
        out += '\t';
        out += Cell(field);
    }
    return out;
}

std::string ServerPrinter::Details(const ServerStructure& row, bool withPlayers,
                                   const std::vector<PrintedPlayer>& players, bool withRules,
                                   const std::vector<PrintedRule>& rules) const {
    if (Format == CliOptions::Format::Json) {
        QJsonObject o = RowObject(row);
        if (withPlayers) {
            QJsonArray list;
            for (const PrintedPlayer& p : players) {
                QJsonObject entry;
                entry.insert(QStringLiteral("number"), Number(p.Number));
                entry.insert(QStringLiteral("name"), Json(p.Name));
                entry.insert(QStringLiteral("frags"), Number(p.Frags));
                list.append(entry);
            }
            o.insert(QStringLiteral("player_list"), list);
        }
        if (withRules) {
            QJsonArray list;
            for (const PrintedRule& r : rules) {
                QJsonObject entry;
                entry.insert(QStringLiteral("name"), Json(r.Name));
                entry.insert(QStringLiteral("value"), Json(r.Value));
                list.append(entry);
            }
            o.insert(QStringLiteral("rules"), list);
        }
        return Compact(o);
    }
    std::string out = Line(row);
    if (withPlayers)
        for (const PrintedPlayer& p : players)
            out += "\nplayer\t" + Cell(p.Number) + '\t' + Cell(p.Name) + '\t' + Cell(p.Frags);
    if (withRules)
        for (const PrintedRule& r : rules)
            out += "\nrule\t" + Cell(r.Name) + '\t' + Cell(r.Value);
    return out;
}

std::string MessageLine(int message, int caption) {
    static const MessageTable table;
    return "quarrix-cli: " + GbkToUtf8(Trim(table[caption])) + ": " +
           GbkToUtf8(Trim(table[message]));
}

size_t PrintInAddressOrder(const ServerRows& rows, const ServerPrinter& printer) {
    // Address order for printing; rows whose IP is not an address go last.
    const auto key = [](const ServerStructure& row) {
        AddressPort a{};
        const bool ok = ParseAddressPort(row.IP, "1", a) == AddressCheck::Ok;
        return std::pair<uint64_t, int64_t>{ok ? AddressNumber(a) : (uint64_t{1} << 32),
                                            NumericKey(row.Port)};
    };
    std::vector<const ServerStructure*> ordered;
    for (const ServerStructure& row : rows)
        ordered.push_back(&row);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [&](const auto* a, const auto* b) { return key(*a) < key(*b); });
    for (const ServerStructure* row : ordered)
        std::cout << printer.Line(*row) << '\n';
    std::cout.flush();
    return ordered.size();
}

bool ParsePortList(const std::string& text, std::vector<int32_t>& ports) {
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
