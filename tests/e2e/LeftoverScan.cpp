#include "LeftoverScan.h"

#include "tools/camsim/WireFormat.h"
#include "transfer/HexText.h"
#include "transfer/PictureHeader.h"

#include <algorithm>

namespace faultmatrix {

std::vector<std::uint8_t> DataWireFrom(const camsim::OutgoingPicture& picture, std::uint32_t from,
                                       bool onlyThatBlock) {
    const bool blockChecks = picture.blockSize != 0 && picture.checkFlag != 0;
    const bool finalCheck = picture.blockSize == 0 && picture.checkFlag != 0;
    std::vector<std::uint8_t> plain;
    for (const camsim::BlockBounds& block :
         camsim::PlanBlocks(static_cast<std::uint32_t>(picture.data.size()), picture.blockSize)) {
        const std::uint32_t end = block.offset + block.length;
        if (end <= from && block.length != 0) {
            continue;
        }
        const auto first = picture.data.begin() + std::max(from, block.offset);
        plain.insert(plain.end(), first, picture.data.begin() + end);
        if (blockChecks) {
            plain.push_back(camsim::XorOf(
                std::span<const std::uint8_t>(picture.data.data() + block.offset, block.length)));
        }
        if (onlyThatBlock) {
            break;
        }
    }
    if (finalCheck && !onlyThatBlock) {
        plain.push_back(camsim::XorOf(picture.data));
    }
    std::vector<std::uint8_t> wire;
    camsim::AppendEncoded(wire, plain, picture.encoding);
    return wire;
}

HeaderSearch SearchHeaders(std::span<const std::uint8_t> bytes) {
    HeaderSearch search;
    std::size_t at = 0;
    while (at + 1 < bytes.size()) {
        const bool binary = bytes[at] == 0x55 && bytes[at + 1] == 0xAA;
        const bool hex = bytes[at] == 0xAA && bytes[at + 1] == 0x55;
        if (!binary && !hex) {
            ++at;
            continue;
        }
        ++search.headers;
        at += 2;
        const std::size_t length = binary ? transfer::kHeaderSize : 2 * transfer::kHeaderSize;
        if (at + length > bytes.size()) {
            search.allFail = false;
            break;
        }
        transfer::HeaderBytes header{};
        if (binary) {
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), header.size(),
                        header.begin());
        } else {
            transfer::DecodeHexPairs(bytes.data() + at, length, header.data());
        }
        if (transfer::HeaderChecksPass(header)) {
            search.allFail = false;
        }
        at += length;
    }
    return search;
}

} // namespace faultmatrix
