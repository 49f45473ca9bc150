#pragma once

#include <QByteArray>

// The state of one SMTP session. Received bytes are kept as bytes so that a
// message reaches its file exactly as the client sent it.
struct SessionSlot {
    static inline const QByteArray NoCommand = QByteArrayLiteral("    ");

    QByteArray RecvBuffer;
    QByteArray CurCommand = NoCommand; // always four characters; "DATA" is data mode
    QByteArray FromDomain;             // empty: no sender yet

    // Data-mode bookkeeping: where the next end-marker search resumes, and
    // whether the message outgrew the size limit and was dropped.
    qsizetype MarkerSearchFrom = 0;
    bool Oversized = false;

    bool InDataMode() const { return CurCommand == "DATA"; }

    void StartDataMode()
    {
        MarkerSearchFrom = 0;
        Oversized = false;
    }

    void Clear()
    {
        RecvBuffer.clear();
        CurCommand = NoCommand;
        FromDomain.clear();
        StartDataMode();
    }
};
