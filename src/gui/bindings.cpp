#include "gui/bindings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

namespace kovra::gui {

QString qs(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ss(const QString& text) {
    return text.toUtf8().toStdString();
}

namespace {

void run(const Bindings::Changed& changed) {
    if (changed) {
        changed();
    }
}

}  // namespace

QCheckBox* Bindings::check(QWidget* parent, const char* caption, std::function<bool&()> field,
                           Changed changed) {
    auto* box = child<QCheckBox>(parent, QString::fromUtf8(caption));
    onLoad([box, field] {
        const QSignalBlocker block(box);
        box->setChecked(field());
    });
    QObject::connect(box, &QCheckBox::clicked, [field, changed](bool on) {
        field() = on;
        run(changed);
    });
    return box;
}

QSpinBox* Bindings::spin(QWidget* parent, int min, int max, std::function<int&()> field,
                         Changed changed) {
    auto* box = child<QSpinBox>(parent);
    box->setRange(min, max);
    onLoad([box, field] {
        const QSignalBlocker block(box);
        box->setValue(field());
    });
    QObject::connect(box, &QSpinBox::valueChanged, [field, changed](int value) {
        field() = value;
        run(changed);
    });
    return box;
}

QLineEdit* Bindings::text(QWidget* parent, std::function<std::string&()> field, Changed changed) {
    auto* edit = child<QLineEdit>(parent);
    onLoad([edit, field] {
        const QSignalBlocker block(edit);
        edit->setText(qs(field()));
    });
    QObject::connect(edit, &QLineEdit::textEdited, [field, changed](const QString& value) {
        field() = ss(value);
        run(changed);
    });
    return edit;
}

QComboBox* Bindings::combo(QWidget* parent, const QStringList& items, std::function<int&()> index,
                           Changed changed) {
    auto* box = child<QComboBox>(parent);
    box->addItems(items);
    onLoad([box, index] {
        const QSignalBlocker block(box);
        box->setCurrentIndex(index());
    });
    QObject::connect(box, &QComboBox::activated, [index, changed](int position) {
        index() = position;
        run(changed);
    });
    return box;
}

QSlider* Bindings::slider(QWidget* parent, int min, int max, std::function<int&()> field,
                          Changed changed) {
    auto* bar = child<QSlider>(parent, Qt::Horizontal);
    bar->setRange(min, max);
    onLoad([bar, field] {
        const QSignalBlocker block(bar);
        bar->setValue(field());
    });
    QObject::connect(bar, &QSlider::valueChanged, [field, changed](int value) {
        field() = value;
        run(changed);
    });
    return bar;
}

QLineEdit* Bindings::liveText(QWidget* parent, std::function<std::string()> value) {
    auto* edit = child<QLineEdit>(parent);
    edit->setReadOnly(true);
    auto refresh = [edit, value] {
        const QString text = qs(value());
        if (edit->text() != text) {
            edit->setText(text);
        }
    };
    onLoad(refresh);
    onTick(refresh);
    return edit;
}

QLabel* Bindings::liveLabel(QWidget* parent, std::function<std::string()> value) {
    auto* label = child<QLabel>(parent);
    auto refresh = [label, value] {
        const QString text = qs(value());
        if (label->text() != text) {
            label->setText(text);
        }
    };
    onLoad(refresh);
    onTick(refresh);
    return label;
}

void Bindings::load() {
    for (const auto& fn : loaders_) {
        fn();
    }
}

void Bindings::tick() {
    for (const auto& fn : live_) {
        fn();
    }
}

}  // namespace kovra::gui
