#pragma once

#include <QString>

class SessionEngine;

// The seven-line report of every socket's state and local port: the
// listener, the five sessions and the refusal socket.
QString SocketStatusReport(SessionEngine& engine);

// The name printed for a socket state number 0 to 9.
QString SocketStateName(int state);
