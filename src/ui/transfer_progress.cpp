#include "ui/transfer_progress.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "platform/locale.h"

namespace corvane {
namespace {

constexpr int kLastFrame = 8;
constexpr const char* kWaitingForStop = "Waiting for the Data Collector to stop...";

// a * b / c in 64 bits, rounded half away from zero; -1 when c is 0 or the
// result does not fit, as the Windows arithmetic helper answers.
int MulDiv(std::int32_t a, std::int32_t b, std::int32_t c) {
  if (c == 0) return -1;
  const std::int64_t product = static_cast<std::int64_t>(a) * b;
  const bool negative = (product < 0) != (c < 0);
  const std::int64_t magnitude = std::llabs(product);
  const std::int64_t divisor = std::llabs(static_cast<std::int64_t>(c));
  const std::int64_t quotient = (magnitude + divisor / 2) / divisor;
  if (quotient > INT32_MAX) return -1;
  return static_cast<int>(negative ? -quotient : quotient);
}

std::string Plural(std::int64_t count, const char* unit) {
  return "\n" + std::to_string(count) + " " + unit + (count > 1 ? "s" : "") + " left";
}

// Only the hours within the day count, as a time span's hours part reads.
std::string TimeLeftText(std::int64_t remaining) {
  std::int64_t hours = (remaining / 3600) % 24;
  std::int64_t minutes = (remaining / 60) % 60;
  const std::int64_t seconds = remaining % 60;
  if (hours > 0) {
    if (minutes > 30) ++hours;
    return Plural(hours, "hour");
  }
  if (minutes > 0) {
    if (seconds > 30) ++minutes;
    return Plural(minutes, "minute");
  }
  if (seconds > 0) return Plural(seconds, "second");
  return {};
}

std::string GroupThousands(const std::string& digits, const std::string& separator) {
  if (separator.empty()) return digits;
  std::string grouped;
  const std::size_t length = digits.size();
  for (std::size_t i = 0; i < length; ++i) {
    if (i > 0 && (length - i) % 3 == 0) grouped += separator;
    grouped += digits[i];
  }
  return grouped;
}

}  // namespace

CTransferProgress::CTransferProgress(StatusSource status, SecondsClock clock)
    : status_(std::move(status)), clock_(std::move(clock)) {}

CTransferProgress::~CTransferProgress() { DestroyWindow(); }

bool CTransferProgress::Create(HostUi& host, HostWindow parent) {
  surface_ = host.CreateProgressSurface(parent, *this);
  m_frame = 0;
  barVisible_ = false;
  if (surface_) {
    surface_->ShowProgressBar(false);
    surface_->ShowFrame(m_frame);
  }
  TransferTexts();
  return true;
}

void CTransferProgress::SetMessage(const std::string& text) {
  m_message = text;
  TransferTexts();
}

bool CTransferProgress::Poll(bool detailed) {
  if (m_cancelled) {
    ShowBar(false);
    m_status = kWaitingForStop;
    TransferTexts();
    return false;
  }
  std::int32_t done = 0;
  std::int32_t total = 0;
  if (!status_(done, total)) return false;
  if (!detailed) return true;
  // An unchanged counter leaves the window alone, so an idle link costs no repainting.
  if (done == m_lastDone) return true;
  // A counter that fell back to 0 starts the measurement again.
  if (m_lastDone == 0) {
    m_startTime = clock_();
    m_lastRate = 0;
  }
  m_lastDone = done;
  if (done <= 0) {
    TransferTexts();
    return true;
  }

  m_status = FormatByteCount(done);
  if (total > 0) {
    m_status += " of " + FormatByteCount(total);
    ShowBar(true);
    // The bar's range is 0..100; a count past the total stays at the end.
    if (surface_) surface_->SetProgressPosition(std::clamp(MulDiv(done, 100, total), 0, 100));
  }

  const std::int64_t elapsed = clock_() - m_startTime;
  if (elapsed <= 0) {
    TransferTexts();
    return true;
  }
  std::int64_t rate = done / elapsed;
  if (m_lastRate > 0) rate = (rate + m_lastRate) / 2;
  m_lastRate = static_cast<std::int32_t>(rate);
  m_status += " (" + FormatByteCount(m_lastRate) + " / second)";
  if (total > 0 && m_lastRate > 0) m_status += TimeLeftText((static_cast<std::int64_t>(total) - done) / m_lastRate);
  TransferTexts();
  return true;
}

void CTransferProgress::OnTimer() {
  if (m_forward) {
    m_frame = m_frame == kLastFrame ? 0 : m_frame + 1;
  } else {
    m_frame = m_frame == 0 ? kLastFrame : m_frame - 1;
  }
  if (surface_) surface_->ShowFrame(m_frame);
}

// Enter must not close the window.
void CTransferProgress::OnOK() {}

// Cancel only raises the flag; the runner stops the worker and closes the window.
void CTransferProgress::OnCancel() { m_cancelled = true; }

void CTransferProgress::DestroyWindow() { surface_.reset(); }

void CTransferProgress::ShowBar(bool visible) {
  if (barVisible_ == visible) return;
  barVisible_ = visible;
  if (surface_) surface_->ShowProgressBar(visible);
}

void CTransferProgress::TransferTexts() {
  if (surface_) surface_->SetTexts(m_message, m_status);
}

std::string FormatByteCount(std::int32_t count) { return FormatByteCount(count, ThousandsSeparator()); }

std::string FormatByteCount(std::int32_t count, const std::string& thousandsSeparator) {
  const double kb = count / 1024.0;
  if (kb <= 0.9) return std::to_string(count) + " bytes";
  const int decimals = kb <= 9.0 ? 2 : kb <= 99.0 ? 1 : 0;
  // to_chars ignores the global locale: the decimal point stays a full stop.
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, kb, std::chars_format::fixed, decimals);
  std::string text(buffer, result.ptr);
  if (decimals == 0) text = GroupThousands(text, thousandsSeparator);
  return text + " KB";
}

}  // namespace corvane
