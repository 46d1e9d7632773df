#include "views/charts/AxisLayout.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace charts {

namespace {

constexpr double kLn10 = 2.302585092994046;
const char* const kHoursFormat = "%02.0f:%02.0f:%02.0f";
const char* const kMinutesFormat = "%02.0f:%02.3f";

template <class... Args> std::string Printf(const char* format, Args... args)
{
    const int n = std::snprintf(nullptr, 0, format, args...);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(out.data(), out.size(), format, args...);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

// The tick pixel: truncated toward zero, clamped.
int TickPixel(double px)
{
    return ClampPixel(px);
}

std::string ClockLabel(const char* format, double v)
{
    const double modulus = std::fabs(v);
    const double sign = v < 0 ? -1.0 : 1.0;
    const double hh = std::floor(modulus / 3600);
    const double mm = std::floor((modulus - 3600 * hh) / 60);
    const double ss = modulus - 3600 * hh - 60 * mm;
    if (format == kHoursFormat) return Printf(format, sign * hh, mm, std::floor(ss));
    return Printf(format, sign * mm, ss);
}

std::string DateLabel(unsigned mode, double v)
{
    // time_t is 64 bits here; stay well inside what localtime_r can break down.
    if (!std::isfinite(v) || std::fabs(v) > 1.0e15) return {};
    const std::time_t t = static_cast<std::time_t>(v);
    std::tm parts{};
    if (!localtime_r(&t, &parts)) return {};
    const double year = parts.tm_year + 1900.0, month = parts.tm_mon + 1.0, day = parts.tm_mday;
    if (mode == kLabelDate) return Printf("%04.0f-%02.0f-%02.0f", year, month, day);
    return Printf("%04.0f-%02.0f-%02.0fT%02.0f:%02.0f:%02.0f", year, month, day, double(parts.tm_hour),
                  double(parts.tm_min), double(parts.tm_sec));
}

}  // namespace

TickStep TickStepFor(double scale)
{
    const double d = std::floor(std::log(128 / std::fabs(scale)) / kLn10);
    if (!std::isfinite(d)) return {0, std::nan("")};
    const int dig = static_cast<int>(std::clamp(d, -400.0, 400.0));
    return {dig, std::exp(kLn10 * dig)};
}

bool IsNumberFormat(const std::string& format)
{
    int conversions = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') continue;
        ++i;
        if (i < format.size() && format[i] == '%') continue;
        while (i < format.size() && std::strchr("-+ #0", format[i])) ++i;
        while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i]))) ++i;
        if (i < format.size() && format[i] == '.') {
            ++i;
            while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i]))) ++i;
        }
        if (i >= format.size() || !std::strchr("eEfFgGaA", format[i])) return false;
        ++conversions;
    }
    return conversions == 1;
}

std::string FormatNumber(const std::string& format, double value)
{
    return Printf(format.c_str(), value);
}

std::string AutoFormatX(int dig)
{
    return dig >= 1 ? "%.f" : "%.2f";
}

std::string AutoFormatY(double desiredYmin, double desiredYmax)
{
    const double endscale = std::max(std::fabs(desiredYmax), std::fabs(desiredYmin));
    return (endscale > 0.001 && endscale < 10000) ? "%.2f" : "%.1e";
}

std::string LabelX(unsigned mode, const std::string& format, int dig, double v, double rightEdge)
{
    switch (mode) {
    case kLabelNumber:
        return FormatNumber(IsNumberFormat(format) ? format : AutoFormatX(dig), v);
    case kLabelTime:
        return ClockLabel(rightEdge < 120 ? kMinutesFormat : kHoursFormat, v);
    case kLabelHours:
        return ClockLabel(kHoursFormat, v);
    case kLabelDate:
    case kLabelDateTime:
        return DateLabel(mode, v);
    default:
        return {};
    }
}

AxisDrawing LayoutScaleX(const ChartView& view, const AxisSettings& axis, const TextMeasure& measure)
{
    AxisDrawing out;
    const bool inside = !axis.drawOutsideMargins;
    const PlotArea area = AreaOf(view, axis.drawOutsideMargins);
    int orgy = 0;
    switch (axis.flags) {
    case kAxisFarMargin:
        orgy = inside ? view.marginTop : 40;
        break;
    case kAxisOrigin:
        orgy = view.y2p(0);
        break;
    case kAxisNearMargin:
        orgy = inside ? view.scrY - view.marginBottom : 40;
        break;
    case kAxisNearBorder:
        orgy = view.scrY - 1;
        break;
    case kAxisFarBorder:
        orgy = 1;
        break;
    default:
        break;
    }
    out.axis = {0, orgy, view.scrX, orgy};
    out.grid = !axis.ticks;

    const TickStep ts = TickStepFor(view.scaleX);
    const double end = view.posX + view.scrX / view.scaleX;
    const double first = std::floor(view.posX / ts.step) * ts.step;
    auto label = [&](double n) { return LabelX(axis.labelType, axis.labelFormat, ts.dig, n, end); };
    auto pixel = [&](double n) { return TickPixel((n - view.posX) * view.scaleX); };

    auto mark = [&](int p) {
        if (axis.ticks) {
            out.marks.push_back({p, orgy, p, axis.flags == kAxisNearBorder ? orgy - 4 : orgy + 4});
        } else if (axis.flags == kAxisNearMargin && inside) {
            out.marks.push_back({p, orgy + 4, p, area.minYpx});
        } else if (axis.flags == kAxisFarMargin && inside) {
            out.marks.push_back({p, orgy - 4, p, area.maxYpx});
        } else {
            out.marks.push_back({p, 0, p, view.scrY});
        }
    };
    const bool above = axis.flags == kAxisFarMargin || axis.flags == kAxisNearBorder;
    auto place = [&](std::string text, int p, TextSize s) {
        out.labels.push_back({std::move(text), p - s.width / 2, above ? orgy - 4 - s.height : orgy + 4});
    };

    int labelH = 0, maxExtent = 0;
    if (!axis.fixedTicks.empty()) {
        struct Shown {
            int p;
            const std::string* text;
            TextSize size;
        };
        std::vector<Shown> shown;
        for (const AxisTick& tick : axis.fixedTicks) {
            const double px = (tick.value - view.posX) * view.scaleX;
            if (!std::isfinite(px)) continue;
            const int p = pixel(tick.value);
            if (p < area.startPx || p > area.endPx) continue;
            mark(p);
            if (tick.label.empty()) continue;
            const TextSize s = measure(tick.label);
            labelH = std::max(labelH, s.height);
            shown.push_back({p, &tick.label, s});
        }
        // Every k-th label, the smallest k that leaves 4 pixels between neighbours.
        constexpr int kGap = 4;
        auto fits = [&](std::size_t k) {
            for (std::size_t i = k; i < shown.size(); i += k) {
                const Shown& a = shown[i - k];
                const Shown& b = shown[i];
                if (b.p - b.size.width / 2 < a.p - a.size.width / 2 + a.size.width + kGap) return false;
            }
            return true;
        };
        std::size_t k = 1;
        while (k < shown.size() && !fits(k)) ++k;
        for (std::size_t i = 0; i < shown.size(); i += k) place(*shown[i].text, shown[i].p, shown[i].size);
    } else {
        ForEachTick(first, ts.step, end, [&](double n) {
            const int p = pixel(n);
            if (p < area.startPx || p > area.endPx) return;
            mark(p);
            const TextSize s = measure(label(n));
            labelH = std::max(labelH, s.height);
            maxExtent = std::max(maxExtent, s.width);
        });

        const double labelStep = std::ceil((maxExtent + 64) / (view.scaleX * ts.step)) * ts.step;
        ForEachTick(first, labelStep, end, [&](double n) {
            const int p = pixel(n);
            if (p < area.startPx || p > area.endPx) return;
            std::string text = label(n);
            if (text.empty()) return;
            const TextSize s = measure(text);
            place(std::move(text), p, s);
        });
    }

    const TextSize n = measure(axis.name);
    const int tx = n.width, ty = n.height;
    const int centred = static_cast<int>(std::floor((area.endPx - area.startPx - tx) / 2.0));
    const int right = view.scrX - tx - 4;
    out.hasName = true;
    out.name.text = axis.name;
    switch (axis.flags) {
    case kAxisFarMargin:
        if (inside && view.marginTop > labelH + ty + 8) {
            out.name.x = centred;
            out.name.y = orgy - 6 - ty - labelH;
        } else {
            out.name.x = right;
            out.name.y = orgy + 4;
        }
        break;
    case kAxisOrigin:
        out.name.x = right;
        out.name.y = orgy - 4 - ty;
        break;
    case kAxisNearMargin:
        if (inside && view.marginBottom > labelH + ty + 8) {
            out.name.x = centred;
            out.name.y = orgy + 6 + labelH;
        } else {
            out.name.x = right;
            out.name.y = orgy - 4 - ty;
        }
        break;
    case kAxisNearBorder:
        out.name.x = right;
        out.name.y = orgy - 8 - ty - labelH;
        break;
    case kAxisFarBorder:
        out.name.x = right;
        out.name.y = orgy + 6 + labelH;
        break;
    default:
        out.hasName = false;
        break;
    }
    return out;
}

AxisDrawing LayoutScaleY(const ChartView& view, const AxisSettings& axis, const TextMeasure& measure)
{
    AxisDrawing out;
    const bool inside = !axis.drawOutsideMargins;
    const PlotArea area = AreaOf(view, axis.drawOutsideMargins);
    int orgx = 0;
    switch (axis.flags) {
    case kAxisFarMargin:
        orgx = inside ? view.scrX - view.marginRight : view.scrX - 60;
        break;
    case kAxisOrigin:
        orgx = view.x2p(0);
        break;
    case kAxisNearMargin:
        orgx = inside ? view.marginLeft : 60;
        break;
    case kAxisNearBorder:
        orgx = 1;
        break;
    case kAxisFarBorder:
        orgx = view.scrX - 1;
        break;
    default:
        break;
    }
    out.axis = {orgx, 0, orgx, view.scrY};
    out.grid = !axis.ticks;

    const TickStep ts = TickStepFor(view.scaleY);
    const double end = view.posY + view.scrY / view.scaleY;
    // From the window's bottom edge, so that the lowest ticks of the plot area are not lost.
    const double first = std::floor((view.posY - view.scrY / view.scaleY) / ts.step) * ts.step;
    const std::string format =
        IsNumberFormat(axis.labelFormat) ? axis.labelFormat : AutoFormatY(view.desiredYmin, view.desiredYmax);
    const bool right = axis.flags == kAxisFarMargin || axis.flags == kAxisNearBorder;

    int labelW = 0;
    bool written = false;
    int lastP = 0;
    ForEachTick(first, ts.step, end, [&](double n) {
        const int p = TickPixel((view.posY - n) * view.scaleY);
        if (p < area.minYpx || p > area.maxYpx) return;
        if (axis.ticks) {
            if (axis.flags == kAxisNearBorder)
                out.marks.push_back({orgx, p, orgx + 4, p});
            else
                out.marks.push_back({orgx - 4, p, orgx, p});
        } else if (axis.flags == kAxisNearMargin && inside) {
            out.marks.push_back({orgx - 4, p, area.endPx, p});
        } else if (axis.flags == kAxisFarMargin && inside) {
            out.marks.push_back({view.marginLeft, p, orgx + 4, p});
        } else {
            out.marks.push_back({0, p, view.scrX, p});
        }
        std::string text = FormatNumber(format, n);
        const TextSize s = measure(text);
        labelW = std::max(labelW, s.width);
        if (!written || lastP - p > 32) {
            out.labels.push_back({std::move(text), right ? orgx + 4 : orgx - 4 - s.width, p - s.height / 2});
            written = true;
            lastP = p;
        }
    });

    const TextSize n = measure(axis.name);
    const int tx = n.width, ty = n.height;
    const int middle = static_cast<int>(std::floor((area.maxYpx - area.minYpx + tx) / 2.0));
    out.hasName = true;
    out.name.text = axis.name;
    switch (axis.flags) {
    case kAxisFarMargin:
        if (inside && view.marginRight > labelW + ty + 8)
            out.name = {axis.name, orgx + 6 + labelW, middle, 90};
        else
            out.name = {axis.name, orgx - tx - 4, 4, 0};
        break;
    case kAxisOrigin:
        out.name = {axis.name, orgx + 4, 4, 0};
        break;
    case kAxisNearMargin:
        if (inside && view.marginLeft > labelW + ty + 8)
            out.name = {axis.name, orgx - 6 - labelW - ty, middle, 90};
        else
            out.name = {axis.name, orgx + 4, 4, 0};
        break;
    case kAxisNearBorder:
        out.name = {axis.name, labelW + 8, 4, 0};
        break;
    case kAxisFarBorder:
        out.name = {axis.name, orgx - 6 - labelW - tx, 4, 0};
        break;
    default:
        out.hasName = false;
        break;
    }
    return out;
}

}  // namespace charts
