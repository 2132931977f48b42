// The History view: TX and RX rate of one station (or the local adapter) over
// the last hour, day or week, read from the rate history. Cycles in which the
// station did not answer, and pauses in the recording, are drawn as gaps;
// hovering a point shows its time and rates. It reloads after every cycle
// the history stores while it is open.
#pragma once

#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QDialog>
#include <QLabel>
#include <QLineSeries>
#include <QValueAxis>
#include <string>
#include <vector>

#include "storage/rate_history.h"

namespace strandline::ui {

class HistoryView final : public QDialog {
  Q_OBJECT
 public:
  HistoryView(std::string historyPath, std::string station, const QString& title,
              QWidget* parent = nullptr);

  enum class Span { Hour = 0, Day = 1, Week = 2 };
  void setSpan(Span span);
  // Reads the samples of the span again and redraws.
  void reload();

  // What is drawn: one list of points per unbroken stretch, per direction.
  const std::vector<std::vector<QPointF>>& txStretches() const { return tx_; }
  const std::vector<std::vector<QPointF>>& rxStretches() const { return rx_; }
  // The tooltip text of the sample nearest to a time (ms since 1970).
  QString describe(qint64 timeMs) const;
  QChartView* chartView() { return view_; }
  QLabel* status() { return status_; }

 private:
  void draw();

  std::string path_;
  std::string station_;
  Span span_ = Span::Hour;
  std::vector<HistorySample> samples_;
  std::vector<std::vector<QPointF>> tx_, rx_;
  QComboBox* spanBox_;
  QChartView* view_;
  QLabel* status_;
  QDateTimeAxis* timeAxis_;
  QValueAxis* rateAxis_;
};

// Splits samples into unbroken stretches: a sample without an answer ends a
// stretch, and so does a pause longer than three times the usual spacing
// (the program was not running) or than the spacing of folded samples.
std::vector<std::vector<std::size_t>> historyStretches(const std::vector<HistorySample>& samples);

}  // namespace strandline::ui
