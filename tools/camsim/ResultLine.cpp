#include "ResultLine.h"

#include <cstdio>

namespace camsim {

namespace {

std::string Hex(std::uint8_t value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

std::string DescribeAck(const char* what, const Ack& ack) {
    std::string text = std::string(what) + " ack ";
    if (!ack.received) {
        return text + "none";
    }
    text += Hex(ack.value);
    if (!ack.Matches()) {
        text += " (expected " + Hex(ack.expected) + ")";
    }
    if (!ack.wellFormed) {
        text += " (malformed)";
    }
    return text;
}

} // namespace

std::string DescribeResult(unsigned long number, const std::string& name,
                           const OutgoingPicture& picture, const SendResult& result) {
    std::string line = "picture " + std::to_string(number) + " (" + name + ", " +
                       std::to_string(picture.width) + "x" + std::to_string(picture.height) + ", " +
                       std::to_string(picture.data.size()) +
                       " bytes): " + OutcomeName(result.outcome);
    if (picture.ackFlag != 0) {
        line += "; " + DescribeAck("header", result.headerAck);
    }
    line += "; " + std::to_string(result.blocks.size()) + " blocks, " +
            std::to_string(result.Resends()) + " resends";
    if (!result.blocks.empty() && !result.blocks.back().acks.empty() &&
        result.outcome != Outcome::Completed) {
        line += ", last block " + DescribeAck("", result.blocks.back().acks.back()).substr(1);
    }
    if (picture.ackFlag != 0) {
        line += "; " + DescribeAck("final", result.finalAck);
    }
    if (!result.unexpected.empty()) {
        line += "; " + std::to_string(result.unexpected.size()) + " unexpected bytes";
    }
    char timing[64];
    std::snprintf(timing, sizeof timing, "; %zu bytes written in %.2f s", result.bytesWritten,
                  static_cast<double>(result.elapsed.count()) / 1000.0);
    line += timing;
    if (!result.error.empty()) {
        line += "; " + result.error;
    }
    return line;
}

} // namespace camsim
