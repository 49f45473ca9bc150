#include "Decoder.h"

void DecoderRegistry::Register(const QString& name, DecoderFactory factory)
{
    factories_.append({name, std::move(factory)});
}

std::unique_ptr<Decoder> DecoderRegistry::Create(const QString& name) const
{
    for (const auto& [registered, factory] : factories_) {
        if (registered.compare(name, Qt::CaseInsensitive) != 0 || !factory) {
            continue;
        }
        try {
            return factory();
        } catch (...) {
            return nullptr;
        }
    }
    return nullptr;
}

DecoderSlot::DecoderSlot(const DecoderRegistry& registry) : registry_(registry) {}

void DecoderSlot::CreateDecoder()
{
    decoder_ = registry_.Create(DecoderName);
}

void DecoderSlot::Release()
{
    decoder_.reset();
}

bool DecoderSlot::DecoderAvailable() const
{
    return decoder_ != nullptr;
}

Decoder* DecoderSlot::Decoder() const
{
    return decoder_.get();
}
