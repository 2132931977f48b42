#include "ui/history_view.h"

#include <QChart>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLegendMarker>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/clock.h"

namespace strandline::ui {

std::vector<std::vector<std::size_t>> historyStretches(const std::vector<HistorySample>& samples) {
  // The usual spacing of whole samples: their median distance.
  std::vector<std::int64_t> steps;
  for (std::size_t i = 1; i < samples.size(); ++i)
    if (!samples[i].folded && !samples[i - 1].folded)
      steps.push_back(samples[i].timeMs - samples[i - 1].timeMs);
  std::int64_t usual = 0;
  if (!steps.empty()) {
    std::nth_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2),
                     steps.end());
    usual = steps[steps.size() / 2];
  }
  std::vector<std::vector<std::size_t>> out;
  std::vector<std::size_t> current;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const HistorySample& s = samples[i];
    bool pause = false;
    if (!current.empty()) {
      const HistorySample& last = samples[current.back()];
      std::int64_t gap = s.timeMs - last.timeMs;
      // A folded sample stands for ten minutes; past that, or past three
      // usual cycles between whole samples, nothing was recorded.
      std::int64_t allowed =
          s.folded || last.folded ? 2 * 600'000 : 3 * std::max<std::int64_t>(usual, 1000);
      pause = gap > allowed;
    }
    if ((!s.answered || pause) && !current.empty()) out.push_back(std::move(current)), current = {};
    if (s.answered) current.push_back(i);
  }
  if (!current.empty()) out.push_back(std::move(current));
  return out;
}

HistoryView::HistoryView(std::string historyPath, std::string station, const QString& title,
                         QWidget* parent)
    : QDialog(parent), path_(std::move(historyPath)), station_(std::move(station)) {
  setObjectName("historyView");
  setWindowTitle(title);
  resize(640, 400);
  spanBox_ = new QComboBox(this);
  spanBox_->addItems({tr("Last hour"), tr("Last day"), tr("Last week")});
  status_ = new QLabel(this);
  auto* chart = new QChart;
  chart->legend()->setAlignment(Qt::AlignBottom);
  timeAxis_ = new QDateTimeAxis;
  timeAxis_->setFormat("HH:mm");
  timeAxis_->setTickCount(7);
  rateAxis_ = new QValueAxis;
  rateAxis_->setTitleText(tr("Mbit/s"));
  rateAxis_->setLabelFormat("%d");
  chart->addAxis(timeAxis_, Qt::AlignBottom);
  chart->addAxis(rateAxis_, Qt::AlignLeft);
  view_ = new QChartView(chart, this);
  view_->setRenderHint(QPainter::Antialiasing);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* top = new QHBoxLayout;
  top->addWidget(spanBox_);
  top->addWidget(status_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(view_, 1);
  layout->addWidget(buttons);
  connect(spanBox_, &QComboBox::currentIndexChanged, this,
          [this](int index) { setSpan(static_cast<Span>(index)); });
  reload();
}

void HistoryView::setSpan(Span span) {
  span_ = span;
  if (spanBox_->currentIndex() != static_cast<int>(span))
    spanBox_->setCurrentIndex(static_cast<int>(span));
  reload();
}

void HistoryView::reload() {
  static const std::int64_t kSpanMs[] = {3600'000, 24 * 3600'000, 7 * 24 * 3600'000};
  std::int64_t now = QDateTime::currentMSecsSinceEpoch();
  std::int64_t since = now - kSpanMs[static_cast<int>(span_)];
  RateHistory history;
  Status s = history.openForReading(path_);
  if (s.ok()) s = history.samples(station_, since, samples_);
  if (!s.ok()) samples_.clear();
  status_->setText(s.ok() ? tr("%1 samples").arg(samples_.size())
                          : QString::fromStdString(s.message));
  timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(since), QDateTime::fromMSecsSinceEpoch(now));
  timeAxis_->setFormat(span_ == Span::Hour ? "HH:mm" : span_ == Span::Day ? "HH:mm" : "ddd HH:mm");
  draw();
}

void HistoryView::draw() {
  QChart* chart = view_->chart();
  chart->removeAllSeries();
  tx_.clear();
  rx_.clear();
  double top = 10;
  for (const std::vector<std::size_t>& stretch : historyStretches(samples_)) {
    auto& tx = tx_.emplace_back();
    auto& rx = rx_.emplace_back();
    for (std::size_t i : stretch) {
      const HistorySample& h = samples_[i];
      tx.emplace_back(static_cast<double>(h.timeMs), h.tx);
      rx.emplace_back(static_cast<double>(h.timeMs), h.rx);
      top = std::max({top, h.tx, h.rx});
    }
  }
  const QColor colors[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28)};
  const QString names[] = {tr("TX"), tr("RX")};
  for (int d = 0; d < 2; ++d) {
    const auto& stretches = d == 0 ? tx_ : rx_;
    for (std::size_t k = 0; k < stretches.size(); ++k) {
      auto* series = new QLineSeries;
      series->setName(names[d]);
      series->setColor(colors[d]);
      series->setPointsVisible(stretches[k].size() < 120);
      for (const QPointF& p : stretches[k]) series->append(p);
      chart->addSeries(series);
      series->attachAxis(timeAxis_);
      series->attachAxis(rateAxis_);
      // One legend entry per direction, however many stretches it has.
      if (k > 0) chart->legend()->markers(series).first()->setVisible(false);
      connect(series, &QLineSeries::hovered, this, [this](const QPointF& point, bool state) {
        if (state)
          QToolTip::showText(QCursor::pos(), describe(static_cast<qint64>(point.x())), view_);
        else
          QToolTip::hideText();
      });
    }
  }
  rateAxis_->setRange(0, top * 1.1);
  rateAxis_->applyNiceNumbers();
}

QString HistoryView::describe(qint64 timeMs) const {
  const HistorySample* nearest = nullptr;
  for (const HistorySample& h : samples_)
    if (h.answered &&
        (!nearest || std::llabs(h.timeMs - timeMs) < std::llabs(nearest->timeMs - timeMs)))
      nearest = &h;
  if (!nearest) return {};
  QString when = QDateTime::fromMSecsSinceEpoch(nearest->timeMs).toString("yyyy-MM-dd HH:mm:ss");
  return tr("%1%2\nTX %3 Mbit/s\nRX %4 Mbit/s")
      .arg(when, nearest->folded ? tr(" (10-minute mean)") : QString())
      .arg(nearest->tx)
      .arg(nearest->rx);
}

}  // namespace strandline::ui
