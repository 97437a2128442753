#include "FaultSeries.h"

#include "LeftoverScan.h"
#include "tools/camsim/WireFormat.h"

#include <algorithm>
#include <array>
#include <random>
#include <sstream>

namespace faultmatrix {

namespace {

using Random = std::mt19937;

constexpr std::array<LineMode, 8> kModes{{
    {"blocks+checks+acks", true, true, true},
    {"blocks+checks", true, true, false},
    {"blocks+acks", true, false, true},
    {"blocks", true, false, false},
    {"stream+final check+acks", false, true, true},
    {"stream+final check", false, true, false},
    {"stream+acks", false, false, true},
    {"stream", false, false, false},
}};

constexpr std::array<std::uint16_t, 5> kBlockSizes{16, 100, 256, 1000, 4096};
constexpr std::array<std::uint16_t, 3> kAckFlags{1, 0x0100, 0xFFFF};
constexpr long kPacedBitsPerSecond = 230400;
// Noise put before a picture that follows leftover bytes: longer than the 38
// characters a false hex-text header found at the end of them takes, so that
// no false header reaches into the next synchronisation pair.
constexpr std::size_t kGuardLength = 40;

struct Planned {
    Fault fault;
    int count;
};

constexpr std::array<Planned, 13> kPlan{{
    {Fault::None, 6},
    {Fault::Garbage, 4},
    {Fault::HeaderSum, 3},
    {Fault::HeaderXor, 3},
    {Fault::CheckOnce, 2},
    {Fault::CheckTwice, 2},
    {Fault::CheckThrice, 3},
    {Fault::ShortStall, 4},
    {Fault::LongStall, 5},
    {Fault::LateCheck, 4},
    {Fault::CutShort, 5},
    {Fault::WrongFinalCheck, 2},
    {Fault::DroppedBytes, 8},
}};

bool Applies(Fault fault, const LineMode& mode) {
    switch (fault) {
    case Fault::CheckOnce:
    case Fault::CheckTwice:
    case Fault::CheckThrice:
        return mode.blocks && mode.checks;
    case Fault::LateCheck:
        return mode.checks;
    case Fault::WrongFinalCheck:
        return !mode.blocks && mode.checks;
    default:
        return true;
    }
}

std::uint32_t Between(Random& random, std::uint32_t low, std::uint32_t high) {
    return std::uniform_int_distribution<std::uint32_t>(low, high)(random);
}

std::size_t DrawSize(Random& random, std::size_t minimum) {
    const std::uint32_t kind = Between(random, 0, 9);
    const std::size_t size = kind < 3   ? Between(random, 0, 64)
                             : kind < 7 ? Between(random, 65, 3000)
                             : kind < 9 ? Between(random, 3001, 12000)
                                        : Between(random, 12001, 20000);
    return std::max(size, minimum);
}

std::vector<std::uint8_t> RandomBytes(Random& random, std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

// Noise with lone synchronisation bytes in it, each followed by a byte that is
// not its partner, and never at the end, where it would pair with the
// synchronisation pair that follows.
std::vector<std::uint8_t> Garbage(Random& random, std::size_t count) {
    std::vector<std::uint8_t> bytes = camsim::NoiseBytes(count, random());
    for (std::size_t at = Between(random, 0, 8); at + 1 < bytes.size();
         at += 2 + Between(random, 0, 12)) {
        bytes[at] = Between(random, 0, 1) != 0 ? 0x55 : 0xAA;
    }
    return bytes;
}

// Puts a few synchronisation pairs into the data, as real data may hold them:
// data the receiver searches for a header make it find false ones there.
void PlantSynchronisationPairs(Random& random, std::vector<std::uint8_t>& data) {
    const std::uint32_t pairs = data.size() < 2 ? 0 : Between(random, 1, 3);
    for (std::uint32_t i = 0; i < pairs; ++i) {
        const std::uint32_t at = Between(random, 0, static_cast<std::uint32_t>(data.size() - 2));
        const bool binary = Between(random, 0, 1) != 0;
        data[at] = binary ? 0x55 : 0xAA;
        data[at + 1] = binary ? 0xAA : 0x55;
    }
}

std::vector<camsim::BlockBounds> Blocks(const camsim::OutgoingPicture& picture) {
    return camsim::PlanBlocks(static_cast<std::uint32_t>(picture.data.size()), picture.blockSize);
}

// Index of a block drawn at random among those of at least minimum bytes
// (there is one: every fault that needs a block has at least two bytes).
std::uint32_t DrawBlock(Random& random, const std::vector<camsim::BlockBounds>& blocks,
                        std::uint32_t minimum) {
    std::vector<std::uint32_t> candidates;
    for (std::uint32_t i = 0; i < blocks.size(); ++i) {
        if (blocks[i].length >= minimum) {
            candidates.push_back(i);
        }
    }
    return candidates[Between(random, 0, static_cast<std::uint32_t>(candidates.size() - 1))];
}

// Makes the last block at least two bytes long, for faults that need it there.
void LengthenLastBlock(FaultCase& pictureCase) {
    while (Blocks(pictureCase.picture).back().length < 2) {
        pictureCase.picture.data.push_back(0x5A);
    }
}

void PlaceStall(Random& random, FaultCase& pictureCase, std::chrono::milliseconds length) {
    const auto blocks = Blocks(pictureCase.picture);
    const std::uint32_t block = DrawBlock(random, blocks, 1);
    const std::uint32_t after = Between(random, 0, blocks[block].length - 1);
    pictureCase.picture.faults.silence =
        camsim::Silence{block, after, static_cast<int>(length.count())};
    pictureCase.where = "block " + std::to_string(block) + " after " + std::to_string(after) +
                        " bytes for " + std::to_string(length.count()) + " ms";
}

// The check byte of a block, or the final check byte, held back well beyond
// the three empty reads of 100 ms the receiver waits for it: it rejects the
// block, reads for the block sent again, gives up, and takes the late check
// byte for bytes between pictures.
void PlaceLateCheck(Random& random, FaultCase& pictureCase) {
    const auto blocks = Blocks(pictureCase.picture);
    const auto last = static_cast<std::uint32_t>(blocks.size() - 1);
    const std::uint32_t block = pictureCase.mode.blocks ? DrawBlock(random, blocks, 1) : last;
    pictureCase.picture.faults.silence =
        camsim::Silence{block, blocks[block].length, static_cast<int>(kLongStall.count())};
    pictureCase.where = pictureCase.mode.blocks
                            ? "check byte of block " + std::to_string(block) + " late"
                            : "final check byte late";
    pictureCase.intact = false;
}

// Data bytes lost on the line. With check bytes and acknowledgements the
// receiver rejects the block for its missing check byte and the camera sends
// it again; a lost 0x00 is left out there, since the block value the
// receiver answers with would then equal the check byte and the camera would
// take the rejection for an acceptance. Without acknowledgements the camera
// goes on regardless, so with check bytes the loss sits in the last block,
// where the receiver waits for the check byte in vain; with block
// acknowledgements alone it sits there too, so that whether or not the camera
// hears the receiver give up, it sends nothing more. Otherwise the picture
// simply never reaches its size.
void PlaceDrops(Random& random, FaultCase& pictureCase) {
    camsim::OutgoingPicture& picture = pictureCase.picture;
    std::set<std::uint32_t>& dropped = picture.faults.dropDataBytes;
    const LineMode& mode = pictureCase.mode;
    if (mode.blocks && mode.checks && mode.acks) {
        const auto blocks = Blocks(picture);
        std::vector<std::uint32_t> offsets;
        for (const auto& block : blocks) {
            for (std::uint32_t at = block.offset;
                 block.length >= 2 && at < block.offset + block.length; ++at) {
                if (picture.data[at] != 0) {
                    offsets.push_back(at);
                }
            }
        }
        dropped.insert(offsets[Between(random, 0, static_cast<std::uint32_t>(offsets.size() - 1))]);
    } else if (mode.blocks && mode.checks) {
        LengthenLastBlock(pictureCase);
        const camsim::BlockBounds last = Blocks(picture).back();
        dropped.insert(last.offset + Between(random, 0, last.length - 1));
        pictureCase.intact = false;
    } else {
        const camsim::BlockBounds last = Blocks(picture).back();
        const bool inLastBlock = mode.blocks && mode.acks;
        const std::uint32_t first = inLastBlock ? last.offset : 0;
        const std::uint32_t count =
            std::min<std::uint32_t>(Between(random, 1, 3), inLastBlock ? last.length : 3);
        while (dropped.size() < std::min<std::size_t>(count, picture.data.size() - first)) {
            dropped.insert(
                Between(random, first, static_cast<std::uint32_t>(picture.data.size() - 1)));
        }
        pictureCase.intact = false;
    }
    std::string offsets;
    for (const std::uint32_t at : dropped) {
        offsets += (offsets.empty() ? "" : ",") + std::to_string(at);
    }
    pictureCase.where = "data bytes " + offsets + " lost";
}

void PlaceFault(Random& random, FaultCase& pictureCase) {
    camsim::OutgoingPicture& picture = pictureCase.picture;
    camsim::Faults& faults = picture.faults;
    switch (pictureCase.fault) {
    case Fault::None:
        break;
    case Fault::Garbage:
        faults.garbage = Garbage(random, Between(random, 1, 200));
        pictureCase.where = std::to_string(faults.garbage.size()) + " bytes of garbage first";
        break;
    case Fault::HeaderSum:
    case Fault::HeaderXor:
        faults.wrongHeaderSum = pictureCase.fault == Fault::HeaderSum;
        faults.wrongHeaderXor = pictureCase.fault == Fault::HeaderXor;
        PlantSynchronisationPairs(random, picture.data);
        pictureCase.intact = false;
        // No acknowledgement is due: the receiver never answers a bad header.
        pictureCase.ackTimeout = kImpatientAck;
        break;
    case Fault::CheckOnce:
    case Fault::CheckTwice:
    case Fault::CheckThrice: {
        const int sends = pictureCase.fault == Fault::CheckOnce    ? 1
                          : pictureCase.fault == Fault::CheckTwice ? 2
                                                                   : 3;
        const std::uint32_t block = DrawBlock(random, Blocks(picture), 1);
        faults.wrongCheckSends[block] = sends;
        pictureCase.where = "block " + std::to_string(block);
        pictureCase.intact = sends < 3;
        break;
    }
    case Fault::ShortStall:
        PlaceStall(random, pictureCase, kShortStall);
        break;
    case Fault::LongStall:
        PlantSynchronisationPairs(random, picture.data);
        PlaceStall(random, pictureCase, kLongStall);
        pictureCase.intact = false;
        break;
    case Fault::LateCheck:
        PlaceLateCheck(random, pictureCase);
        break;
    case Fault::CutShort:
        faults.cutShortAfter =
            Between(random, 0, static_cast<std::uint32_t>(picture.data.size() - 1));
        pictureCase.where = "cut after " + std::to_string(*faults.cutShortAfter) + " bytes";
        pictureCase.intact = false;
        break;
    case Fault::WrongFinalCheck:
        faults.wrongFinalCheck = true;
        pictureCase.intact = false;
        break;
    case Fault::DroppedBytes:
        PlaceDrops(random, pictureCase);
        break;
    }
}

// What the camera sends after the receiver has given the picture up: the
// whole data phase behind a damaged header when it waits for no
// acknowledgement; after a long stall the rest of the block (then it waits
// for the acknowledgement in vain) or of the picture; a late check byte, and
// without acknowledgements the rest of the picture behind it.
std::vector<std::uint8_t> Leftover(const FaultCase& pictureCase) {
    const camsim::OutgoingPicture& picture = pictureCase.picture;
    const LineMode& mode = pictureCase.mode;
    const bool blockAcks = mode.blocks && mode.acks;
    switch (pictureCase.fault) {
    case Fault::HeaderSum:
    case Fault::HeaderXor:
        return mode.acks ? std::vector<std::uint8_t>{} : DataWireFrom(picture, 0, false);
    case Fault::LongStall: {
        const camsim::Silence& stall = *picture.faults.silence;
        const std::uint32_t from = Blocks(picture)[stall.block].offset + stall.afterBytes;
        return DataWireFrom(picture, from, blockAcks);
    }
    case Fault::LateCheck: {
        if (!mode.blocks) {
            return DataWireFrom(picture, static_cast<std::uint32_t>(picture.data.size()), false);
        }
        const camsim::BlockBounds block = Blocks(picture)[picture.faults.silence->block];
        const std::uint8_t check = camsim::XorOf(
            std::span<const std::uint8_t>(picture.data.data() + block.offset, block.length));
        std::vector<std::uint8_t> wire;
        camsim::AppendEncoded(wire, std::span<const std::uint8_t>(&check, 1), picture.encoding);
        if (!blockAcks) {
            const auto rest = DataWireFrom(picture, block.offset + block.length, false);
            wire.insert(wire.end(), rest.begin(), rest.end());
        }
        return wire;
    }
    default:
        return {};
    }
}

FaultCase CleanPicture(Random& random) {
    FaultCase closing;
    closing.mode = kModes[0];
    closing.picture.data = RandomBytes(random, 1000);
    closing.picture.blockSize = 256;
    closing.where = "closing the series";
    return closing;
}

void SetHeader(Random& random, FaultCase& pictureCase, int index) {
    camsim::OutgoingPicture& picture = pictureCase.picture;
    pictureCase.index = index;
    // A width of its own names the picture in the receiver's progress text.
    picture.width = static_cast<std::uint16_t>(1000 + index);
    picture.height = 480;
    picture.kind = 1;
    // Paced, without acknowledgements, every check byte must follow its data
    // within 100 ms whatever else the machine does; tiny blocks would make
    // thousands of such deadlines.
    const std::uint32_t smallest = pictureCase.mode.acks ? 0 : 1;
    picture.blockSize = pictureCase.mode.blocks
                            ? kBlockSizes[Between(random, smallest, kBlockSizes.size() - 1)]
                            : 0;
    picture.checkFlag = pictureCase.mode.checks ? 1 : 0;
    picture.ackFlag =
        pictureCase.mode.acks ? kAckFlags[Between(random, 0, kAckFlags.size() - 1)] : 0;
}

// Puts noise before a picture that follows leftover bytes and counts the
// false headers the receiver finds in them.
void CountLeftoverHeaders(Random& random, FaultCase& pictureCase, FaultCase& next) {
    pictureCase.leftover = Leftover(pictureCase);
    if (pictureCase.leftover.empty()) {
        return;
    }
    std::vector<std::uint8_t>& garbage = next.picture.faults.garbage;
    const std::vector<std::uint8_t> guard = camsim::NoiseBytes(kGuardLength, random());
    garbage.insert(garbage.begin(), guard.begin(), guard.end());
    auto search = [&] {
        std::vector<std::uint8_t> searched = pictureCase.leftover;
        searched.insert(searched.end(), garbage.begin(), garbage.end());
        return SearchHeaders(searched);
    };
    HeaderSearch found = search();
    if (!found.allFail) {
        // Rare: a false header that passes its checks. Hex text carries no
        // synchronisation byte at all.
        pictureCase.picture.encoding = camsim::Encoding::HexUpper;
        pictureCase.leftover = Leftover(pictureCase);
        found = search();
    }
    pictureCase.attempts = 1 + found.headers;
}

} // namespace

const char* FaultName(Fault fault) {
    switch (fault) {
    case Fault::None:
        return "none";
    case Fault::Garbage:
        return "garbage";
    case Fault::HeaderSum:
        return "wrong header sum";
    case Fault::HeaderXor:
        return "wrong header exclusive-or";
    case Fault::CheckOnce:
        return "wrong check byte once";
    case Fault::CheckTwice:
        return "wrong check byte twice";
    case Fault::CheckThrice:
        return "wrong check byte three times";
    case Fault::ShortStall:
        return "short stall";
    case Fault::LongStall:
        return "long stall";
    case Fault::LateCheck:
        return "late check byte";
    case Fault::CutShort:
        return "cut short";
    case Fault::WrongFinalCheck:
        return "wrong final check";
    case Fault::DroppedBytes:
        return "dropped bytes";
    }
    return "?";
}

const char* RefusalGroup(Fault fault) {
    switch (fault) {
    case Fault::HeaderSum:
    case Fault::HeaderXor:
        return "header";
    case Fault::CheckOnce:
    case Fault::CheckTwice:
    case Fault::CheckThrice:
    case Fault::LateCheck:
        return "check";
    case Fault::ShortStall:
    case Fault::LongStall:
        return "stall";
    case Fault::CutShort:
        return "cut";
    case Fault::WrongFinalCheck:
        return "final";
    case Fault::DroppedBytes:
        return "dropped";
    case Fault::None:
    case Fault::Garbage:
        break;
    }
    return "other";
}

std::string Describe(const FaultCase& pictureCase) {
    const camsim::OutgoingPicture& picture = pictureCase.picture;
    std::ostringstream text;
    text << "#" << pictureCase.index << " " << FaultName(pictureCase.fault) << ", "
         << pictureCase.mode.name << ", "
         << (picture.encoding == camsim::Encoding::Binary     ? "binary"
             : picture.encoding == camsim::Encoding::HexUpper ? "hex upper"
                                                              : "hex lower")
         << ", " << picture.data.size() << " bytes";
    if (picture.blockSize != 0) {
        text << " in blocks of " << picture.blockSize;
    }
    if (!pictureCase.where.empty()) {
        text << ", " << pictureCase.where;
    }
    text << (pictureCase.intact ? ": intact" : ": refused");
    if (pictureCase.attempts != 1) {
        text << " using " << pictureCase.attempts << " numbers";
    }
    return text.str();
}

std::vector<FaultCase> MakeFaultSeries(std::uint32_t seed,
                                       const std::vector<std::uint8_t>& photograph) {
    Random random(seed);
    std::vector<FaultCase> series;
    for (const Planned& planned : kPlan) {
        std::vector<LineMode> modes;
        std::copy_if(kModes.begin(), kModes.end(), std::back_inserter(modes),
                     [&](const LineMode& mode) { return Applies(planned.fault, mode); });
        const std::uint32_t firstMode =
            Between(random, 0, static_cast<std::uint32_t>(modes.size() - 1));
        const std::uint32_t firstHex = Between(random, 0, 1);
        for (int i = 0; i < planned.count; ++i) {
            FaultCase pictureCase;
            pictureCase.fault = planned.fault;
            // Lost bytes fare differently in every mode: each gets one.
            pictureCase.mode =
                planned.fault == Fault::DroppedBytes
                    ? kModes[static_cast<std::size_t>(i) % kModes.size()]
                    : modes[(firstMode + static_cast<std::uint32_t>(i)) % modes.size()];
            const bool hex = (static_cast<std::uint32_t>(i) + firstHex) % 2 == 1;
            pictureCase.picture.encoding = !hex ? camsim::Encoding::Binary
                                           : Between(random, 0, 1) != 0
                                               ? camsim::Encoding::HexUpper
                                               : camsim::Encoding::HexLower;
            series.push_back(pictureCase);
        }
    }
    std::shuffle(series.begin(), series.end(), random);

    for (std::size_t at = 0; at < series.size(); ++at) {
        FaultCase& pictureCase = series[at];
        SetHeader(random, pictureCase, static_cast<int>(at));
        const bool anySize =
            pictureCase.fault == Fault::None || pictureCase.fault == Fault::Garbage ||
            pictureCase.fault == Fault::HeaderSum || pictureCase.fault == Fault::HeaderXor;
        pictureCase.picture.data = at % 12 == 5 && !photograph.empty()
                                       ? photograph
                                       : RandomBytes(random, DrawSize(random, anySize ? 0 : 2));
        PlaceFault(random, pictureCase);
        const bool blockAcks = pictureCase.mode.blocks && pictureCase.mode.acks;
        pictureCase.bitsPerSecond = blockAcks ? 0 : kPacedBitsPerSecond;
    }
    series.push_back(CleanPicture(random));
    SetHeader(random, series.back(), static_cast<int>(series.size() - 1));
    series.back().picture.blockSize = 256;

    for (std::size_t at = 0; at + 1 < series.size(); ++at) {
        CountLeftoverHeaders(random, series[at], series[at + 1]);
    }
    return series;
}

} // namespace faultmatrix
