// Direct computations with the cryptography library, independent of crypt/'s own
// feedback loop and key rules, to compare the envelope's ciphers against.
#pragma once

#include <memory>

#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <cryptopp/arc4.h>
#include <cryptopp/blowfish.h>
#include <cryptopp/cast.h>
#include <cryptopp/des.h>
#include <cryptopp/idea.h>
#include <cryptopp/modes.h>
#include <cryptopp/rijndael.h>
#include <cryptopp/twofish.h>

#include "Hex.h"

namespace stp::test {

using EngineFactory = std::unique_ptr<CryptoPP::BlockCipher> (*)();

template <class Engine>
std::unique_ptr<CryptoPP::BlockCipher> MakeEngine() {
    return std::make_unique<Engine>();
}

// The library's own CFB mode with 1-byte feedback over a block cipher keyed with key.
inline Bytes LibraryCfb8(EngineFactory make, const Bytes& key, const Bytes& iv, Bytes data) {
    const auto engine = make();
    engine->SetKey(key.data(), key.size());
    CryptoPP::CFB_Mode_ExternalCipher::Encryption cfb(*engine, iv.data(), 1);
    cfb.ProcessString(data.data(), data.size());
    return data;
}

inline Bytes LibraryRc4(const Bytes& key, Bytes data) {
    CryptoPP::Weak::ARC4 rc4(key.data(), key.size());
    rc4.ProcessString(data.data(), data.size());
    return data;
}

}  // namespace stp::test
