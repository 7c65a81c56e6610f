// The wizard's information page at the bounds of what it shows: for each
// costly make of page (deep nesting, tables in tables, text in table cells,
// floating pictures, one long paragraph), the largest page that is still
// shown, and how long the page's own browser takes to read and lay it out.
// A page past the bounds is refused before the browser sees it.
#include "BenchSupport.h"
#include "WizardParts.h"
#include "update/InfoPage.h"
#include "update/UpdateServer.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QTextBrowser>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>

namespace {

// unit repeated while the page stays within every bound of the raw text.
QByteArray largest(const QByteArray& head, const QByteArray& unit, const QByteArray& tail = QByteArray())
{
    QByteArray page = head;
    while (update::isShowablePage(QString::fromUtf8(page + unit + tail))
           && page.size() + unit.size() + tail.size() <= update::kMaxInfoPageBytes)
        page += unit;
    return page + tail;
}

QByteArray words(qsizetype n)
{
    QByteArray w;
    while (w.size() < n)
        w += "lorem ipsum dolor sit amet ";
    return w.left(n);
}

void Layout(benchmark::State& state, QByteArray page)
{
    wizard::InfoFrame frame(nullptr);
    frame.resize(520, 400);
    frame.show();
    QTextBrowser* browser = frame.browser();
    for (auto _ : state) {
        browser->setHtml(QString::fromUtf8(page));
        benchmark::DoNotOptimize(browser->document()->documentLayout()->documentSize());
        QApplication::processEvents();
        browser->clear();
    }
    state.counters["bytes"] = double(page.size());
    state.counters["tags"] = double(page.count('<'));
}

// Finding the page's encoding and reading it: a usual page that declares it
// at its start, and one the size of the bound that declares none.
void Decode(benchmark::State& state, QByteArray page)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(update::decodePage(page, "text/html"));
    state.counters["bytes"] = double(page.size());
}

} // namespace

int main(int argc, char** argv)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    const QByteArray title = "<h1>TROVA 1.1.2</h1>";
    const int depth = update::kMaxPageTableDepth;
    const QByteArray open = QByteArray("<table border=\"1\"><tr><td>" + words(60) + "</td><td>").repeated(depth);
    const QByteArray close = QByteArray("</td></tr></table>").repeated(depth);
    const std::pair<const char*, QByteArray> pages[] = {
        { "DeepList", largest(title, "<ul><li>x") },
        { "TablesInTables", largest(title, open + close) },
        { "TextInTablesInTables", largest(title + open, "<b>" + words(120) + "</b>", close) },
        { "TextInCells", largest(title + "<table><tr>", "<td>" + words(120) + "</td>") },
        { "FloatingPictures", largest(title, "<img src=\"logo.png\" align=\"left\" width=\"300\" height=\"300\">") },
        { "OneParagraph", title + "<p>" + words(update::kMaxInfoPageBytes - 40) + "</p>" },
    };
    const QByteArray notes = "<li><a href=\"notes.html\" class=\"n\">" + QByteArray("更新说明 ") + words(60) + "</a></li>";
    benchmark::RegisterBenchmark("InfoPage/DecodeDeclared", Decode,
        "<html><head><meta charset=\"utf-8\"><title>TROVA</title></head><body><ul>" + notes.repeated(20) + "</ul>")
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("InfoPage/DecodeUndeclaredAtTheBound", Decode,
        largest("<html><body><!-- notes --><ul>", notes, "</ul>"))
        ->Unit(benchmark::kMicrosecond);
    for (const auto& [name, page] : pages)
        benchmark::RegisterBenchmark((std::string("InfoPage/") + name).c_str(), Layout, page)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
