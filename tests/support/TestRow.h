#pragma once

#include "ServerStructure.h"

#include <cstdint>
#include <string>
#include <utility>

// A server row for a test: the address, then only the fields the case cares about, named
// where they are set, e.g. TestRow("127.30.0.1").Name("Clan").Protocol("46").Alive().
// Every field left alone keeps the empty value a row has before its first answer.
class TestRow {
public:
    explicit TestRow(std::string ip, std::string port = "27015") {
        Row.IP = std::move(ip);
        Row.Port = std::move(port);
    }

    TestRow& Name(std::string value) { return Set(Row.Name, std::move(value)); }
    TestRow& Map(std::string value) { return Set(Row.Map, std::move(value)); }
    TestRow& Players(std::string value) { return Set(Row.Players, std::move(value)); }
    TestRow& MaxPlayers(std::string value) { return Set(Row.MaxPlayers, std::move(value)); }
    TestRow& Response(std::string value) { return Set(Row.Response, std::move(value)); }
    TestRow& Protocol(std::string value) { return Set(Row.Protocol, std::move(value)); }
    TestRow& Password(std::string value) { return Set(Row.Password, std::move(value)); }
    TestRow& GameFolder(std::string value) { return Set(Row.GameFolder, std::move(value)); }
    TestRow& Dialect(QueryDialect dialect) {
        Row.Dialect = dialect;
        return *this;
    }
    // What a server's answer says of its system and VAC ('l', 'w', 'm'; 1 on, 0 off).
    TestRow& System(char os, int8_t secure) {
        Row.Os = os;
        Row.Secure = secure;
        return *this;
    }
    TestRow& SentAt(uint32_t tick) {
        Row.SentAt = tick;
        return *this;
    }
    // Players and limit at once, as a listed server shows them.
    TestRow& Counts(std::string players, std::string maxPlayers) {
        Row.Players = std::move(players);
        Row.MaxPlayers = std::move(maxPlayers);
        return *this;
    }
    // A row whose server has answered (or not): both flags move together in a live list.
    TestRow& Alive(bool alive = true) {
        Row.Alive = alive;
        Row.Answered = alive;
        return *this;
    }

    operator ServerStructure() const { return Row; }
    ServerStructure Get() const { return Row; }

private:
    TestRow& Set(std::string& field, std::string value) {
        field = std::move(value);
        return *this;
    }

    ServerStructure Row;
};
