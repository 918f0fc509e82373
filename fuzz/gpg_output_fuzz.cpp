// Any output of GnuPG, through a pipe, read by the status line reader at any
// capacity and by the listings' handler: a known code, a terminated line in
// its buffer, the output read to its end, and a list that is empty on
// failure and holds at most one key with bounded fields; the signer's key
// of a "VALIDSIG" line, hexadecimal digits only; and by the survey of a
// packet listing, whose fields stay terminated and whose counts agree.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "engine/gpg_runner.h"
#include "engine/key_listing.h"
#include "engine/self_signature_renewal.h"
#include "engine/status_reader.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_pipe.h"

namespace {

void ReadLines(const std::uint8_t* output, std::size_t length, int capacity) {
    InputPipe pipe(output, length);
    FUZZ_CHECK(pipe.Ready());
    std::unique_ptr<char[]> buffer(new char[static_cast<std::size_t>(capacity) + 1]);
    // Every call consumes at least one byte or meets the end.
    char signer[41] = "";
    for (std::size_t calls = 0; calls <= length + 1; ++calls) {
        ResultCode result = ReadStatusLine(pipe.Reader(), buffer.get(), capacity);
        FUZZ_CHECK(result == 0 || result == 36 || result == 37);
        FUZZ_CHECK(std::memchr(buffer.get(), '\0', static_cast<std::size_t>(capacity) + 1));
        NoteSignerKey(buffer.get(), signer);
        FUZZ_CHECK(std::strspn(signer, "0123456789ABCDEF") == std::strlen(signer));
        if (result == 36) {
            FUZZ_CHECK(pipe.AtEnd());
            return;
        }
    }
    FUZZ_CHECK(!"the reader did not reach the end of the output");
}

void ReadListing(const std::uint8_t* output, std::size_t length, bool secret) {
    InputPipe pipe(output, length);
    FUZZ_CHECK(pipe.Ready());
    ChildStreams streams{platform::kNoHandle, platform::kNoHandle, pipe.Reader()};
    KeyList list{nullptr};
    ResultCode result = ReadKeyListing(&streams, &list, secret);
    // 52: a public key that GnuPG 1.4 cannot use (an elliptic-curve one).
    FUZZ_CHECK(result == 0 || result == (secret ? 45 : 44) || (!secret && result == 52));
    if (result != 0) {
        FUZZ_CHECK(list.head == nullptr);
    }
    if (list.head != nullptr) {
        FUZZ_CHECK(list.head->next == nullptr);
        FUZZ_CHECK(std::strlen(list.head->userId) < 256);
        FUZZ_CHECK(std::strlen(list.head->fingerprint) < 256);
    }
    FUZZ_CHECK(pipe.AtEnd());
    FreeKeyList(&list);
}

void SurveyListing(const std::uint8_t* output, std::size_t length) {
    std::string text(reinterpret_cast<const char*>(output), length);
    SelfSignatureSurvey survey{};
    ReadPacketListing(text.c_str(), &survey);
    FUZZ_CHECK(std::memchr(survey.keyId, '\0', sizeof survey.keyId));
    FUZZ_CHECK(std::memchr(survey.preferences, '\0', sizeof survey.preferences));
    FUZZ_CHECK(survey.outdated >= 0 && survey.outdated <= survey.selfSignatures);
}

}  // namespace

// The first byte chooses the reader's capacity (1 to 256) and the listing
// (public or secret); the rest is GnuPG's output, of which 4 KiB are enough
// for many lines and keep every run fast (each byte is one read).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t length = std::min<std::size_t>(size - 1, 4096);
    ReadLines(data + 1, length, 1 + data[0] % kStatusLineCapacity);
    ReadListing(data + 1, length, (data[0] & 1) != 0);
    SurveyListing(data + 1, length);
    return 0;
}
