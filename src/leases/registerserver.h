// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace velmaris {

// Where an office's shared register lives: a PostgreSQL database. The
// password is never written anywhere: libpq reads ~/.pgpass, or the window
// asks once and keeps it for the session.
struct RegisterServer {
    QString host; // a name, an address, or a folder holding the server's socket
    int port = 5432;
    QString database;
    QString user;
    QString sslmode;     // libpq's: disable, allow, prefer, require, verify-ca, verify-full
    QString password;    // for this session only; empty: libpq's own ways
    QString sslrootcert; // the certificate authority's file, for verify-ca and verify-full

    bool isValid() const { return !database.isEmpty(); }
    // "user@host:port/base", what the messages name (never the password).
    QString display() const;
    bool operator==(const RegisterServer&) const = default;
};

// Whether text is a server address rather than a folder.
bool isServerAddress(const QString& text);

// Why a server's options cannot be given to the driver, in French; empty when
// they can: only libpq's own sslmode words, a certificate authority's file
// by a full path that a connection string can hold.
QString serverOptionsRefusal(const RegisterServer& server);

// The driver's connection options for server (after serverOptionsRefusal),
// each value quoted as libpq reads it.
QString serverConnectOptions(const RegisterServer& server);

// Reads postgresql://user@host:port/base?sslmode=require; a socket folder is
// given percent-encoded as the host (postgresql://user@%2Frun%2Fpg/base) or as
// ?host=/run/pg. Nothing (and *why in French) when it does not read.
std::optional<RegisterServer> serverFromAddress(const QString& text, QString* why = nullptr);

} // namespace velmaris
