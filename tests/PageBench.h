#pragma once

#include "tests/DeliveredFiles.h"
#include "tests/TestSupport.h"

#include "context/AppContext.h"

#include <QTest>

// A mod page with the context it receives, in a fresh test bench holding the
// delivered data files; the page tests derive from it.
template <typename Page> class PageBench {
protected:
    std::unique_ptr<TestBench> m_bench;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<AppContext> m_ctx;
    std::unique_ptr<Page> m_page;

    // For init(): installs of the given variants in "full" and "demo".
    void setUpBench(std::initializer_list<fixture::Variant> variants)
    {
        m_bench = std::make_unique<TestBench>();
        for (const fixture::Variant v : variants)
            fixture::makeInstall(installPath(v), v);
        QVERIFY(copyDeliveredFiles());
        m_dialogs = ScriptedDialogs();
    }
    void tearDownBench()
    {
        m_page.reset();
        m_ctx.reset();
        m_bench.reset();
    }
    QString installPath(fixture::Variant v) const
    {
        return m_bench->path(v == fixture::Variant::Demo ? "demo" : "full");
    }
    // The settings file for both installs, lines 3 to 13 as given.
    void writeSettings(QList<int> numbers) const
    {
        TestBench::writeIni(TestBench::ini(fixture::gameRootOf(installPath(fixture::Variant::Full)),
                                           fixture::gameRootOf(installPath(fixture::Variant::Demo)),
                                           numbers));
    }
    // A run of the program: a fresh page shown, then the settings loaded.
    void openPage()
    {
        m_page.reset();
        m_ctx = std::make_unique<AppContext>(m_dialogs);
        m_page = std::make_unique<Page>(*m_ctx);
        m_page->show();
        loadSettings(m_ctx->settings, m_dialogs);
    }
};
