#pragma once

#include <QByteArrayView>
#include <QLatin1String>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <utility>

// The optional decoder component: looked up by its name among the decoder
// components built into the program. It turns stored bytes into the text
// people read, for display only: what is stored is never replaced by it.
class Decoder {
public:
    virtual ~Decoder() = default;
    // The readable form of a message file's bytes.
    virtual QString ReadableText(QByteArrayView messageFile) = 0;
    // The component's "version" text, shown in the control window.
    virtual QString Version() const = 0;
};

// The name the receiver asks for.
inline constexpr QLatin1String DecoderName{"basp21"};

using DecoderFactory = std::function<std::unique_ptr<Decoder>()>;

// A name -> factory table of decoder components. Names are matched without
// regard to case, the way ProgIDs are.
class DecoderRegistry {
public:
    void Register(const QString& name, DecoderFactory factory);
    // nullptr when no component has the name or its factory fails.
    std::unique_ptr<Decoder> Create(const QString& name) const;

    // The components built into the program; defined with them, in the
    // lark_readable library.
    static const DecoderRegistry& BuiltIn();

private:
    QList<std::pair<QString, DecoderFactory>> factories_;
};

// The program-wide decoder object and its flag, held by the control window
// from its load to its unload.
class DecoderSlot {
public:
    explicit DecoderSlot(const DecoderRegistry& registry = DecoderRegistry::BuiltIn());

    // Creates the decoder by its name. Never fails towards the caller: a
    // missing or broken component only leaves DecoderAvailable() false.
    void CreateDecoder();
    // Drops the decoder object; the flag turns false.
    void Release();

    bool DecoderAvailable() const;
    // The decoder object; nullptr while DecoderAvailable() is false.
    ::Decoder* Decoder() const;

private:
    const DecoderRegistry& registry_;
    std::unique_ptr<::Decoder> decoder_;
};
