#!/usr/bin/env python3
"""The layer check fails on a planted wrong include and passes on a clean tree."""
import os
import subprocess
import sys
import tempfile

CHECK = sys.argv[1]


def run(files):
    with tempfile.TemporaryDirectory() as root:
        for rel, text in files.items():
            path = os.path.join(root, "src", rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write(text)
        done = subprocess.run([sys.executable, CHECK, root], capture_output=True, text=True)
        return done.returncode, done.stdout


clean = {
    "core/ftp/Client.h": "#include <QTcpSocket>\n#include <QImage>\n",
    "gui/log/Log.h": "#include <QWidget>\n",
    "gui/log/LogPane.h": "#include <QPlainTextEdit>\n",
    "gui/log/Log.cpp": '#include "gui/log/Log.h"\n#include "gui/log/LogPane.h"\n',
    "gui/bar/Bar.cpp": '#include "gui/log/Log.h"\n#include "gui/common/Guard.h"\n',
    "gui/common/Guard.h": "#include <QMessageBox>\n",
    "gui/preview/web/Web.cpp": "#include <QWebEngineView>\n",
}
cases = {
    "widget header in the core": ({"core/ftp/Client.h": "#include <QWidget>\n"}, "QWidget"),
    "module path in the core": ({"core/ftp/Client.cpp": "#include <QtWidgets/QLabel>\n"}, "QtWidgets/QLabel"),
    "generated form in the core": ({"core/ftp/Client.cpp": '#include "ui_MyMenu.h"\n'}, "ui_MyMenu.h"),
    "web view in the core": ({"core/ftp/Client.cpp": "#include <QWebEngineView>\n"}, "QWebEngineView"),
    "web view outside its plugin": ({"gui/preview/Form.cpp": "#include <QtWebEngineWidgets/QWebEngineView>\n"},
                                    "only gui/preview/web"),
    "another concern's private header": ({"gui/bar/Bar.h": '#include "gui/log/LogPane.h"\n'}, "gui/log shows 2"),
}

failures = []
code, out = run(clean)
if code != 0:
    failures.append(f"clean tree refused: {out}")
for name, (planted, expected) in cases.items():
    code, out = run({**clean, **planted})
    if code != 1 or expected not in out:
        failures.append(f"{name}: exit {code}, output {out!r}")
for failure in failures:
    print(failure)
sys.exit(1 if failures else 0)
