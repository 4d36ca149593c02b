#include "archive/zip_crypto.h"

#include <algorithm>

namespace archive {

// N items, length bytes each, one byte of every item per round: the rounds' N key chains are independent,
// so the processor works on all of them at once.
template <int N>
void DecryptInterleaved(TArZipDecryptor* const lanes[], uint8_t* const data[], size_t length) {
    uint32_t k0[N], k1[N], k2[N];
    uint8_t* p[N];
    for (int l = 0; l < N; ++l) {
        k0[l] = lanes[l]->keys_[0];
        k1[l] = lanes[l]->keys_[1];
        k2[l] = lanes[l]->keys_[2];
        p[l] = data[l];
    }
    for (size_t i = 0; i < length; ++i) {
        for (int l = 0; l < N; ++l) {
            uint32_t temp = (k2[l] & 0xFFFF) | 2;
            uint8_t plain = p[l][i] ^ static_cast<uint8_t>((temp * (temp ^ 1)) >> 8);
            p[l][i] = plain;
            k0[l] = ArUpdateCRC32(plain, k0[l]);
            k1[l] = (k1[l] + (k0[l] & 0xFF)) * 134775813u + 1;
            k2[l] = ArUpdateCRC32(static_cast<uint8_t>(k1[l] >> 24), k2[l]);
        }
    }
    for (int l = 0; l < N; ++l) {
        lanes[l]->keys_[0] = k0[l];
        lanes[l]->keys_[1] = k1[l];
        lanes[l]->keys_[2] = k2[l];
    }
}

void TArZipDecryptor::DecryptLanes(TArZipDecryptor* const decryptors[], uint8_t* const data[], const size_t lengths[],
                                   size_t count) {
    struct Lane {
        TArZipDecryptor* decryptor;
        uint8_t* next;
        size_t left;
    };
    // Items wait in order; whenever one of the (at most kLanes) running ones ends, the next takes its lane.
    Lane lanes[kLanes];
    size_t running = 0, waiting = 0;
    auto fill = [&] {
        while (running < kLanes && waiting < count) {
            if (lengths[waiting] > 0) lanes[running++] = {decryptors[waiting], data[waiting], lengths[waiting]};
            ++waiting;
        }
    };
    fill();
    while (running >= 2) {
        size_t step = lanes[0].left;
        for (size_t l = 1; l < running; ++l) step = std::min(step, lanes[l].left);
        TArZipDecryptor* d[kLanes];
        uint8_t* p[kLanes];
        for (size_t l = 0; l < running; ++l) {
            d[l] = lanes[l].decryptor;
            p[l] = lanes[l].next;
        }
        switch (running) {
            case 2: DecryptInterleaved<2>(d, p, step); break;
            case 3: DecryptInterleaved<3>(d, p, step); break;
            default: DecryptInterleaved<4>(d, p, step); break;
        }
        size_t kept = 0;
        for (size_t l = 0; l < running; ++l) {
            lanes[l].next += step;
            lanes[l].left -= step;
            if (lanes[l].left > 0) lanes[kept++] = lanes[l];
        }
        running = kept;
        fill();
    }
    if (running == 1) lanes[0].decryptor->Decrypt(lanes[0].next, lanes[0].left);
}

}  // namespace archive
