/* Stowfolio skin: a calm, light look for the main window. This file is a Qt style sheet; the
   program applies it when it finds it as x/o.cjs beside the executable. */

QWidget {
    color: #26303a;
}

/* Disabled controls and menu entries are grey: the colour above would otherwise hide that
   they are disabled. */
QWidget:disabled,
QMenu::item:disabled,
QMenuBar::item:disabled {
    color: #9aa3ab;
}

QGroupBox {
    border: 1px solid #b9c3cc;
    border-radius: 6px;
    margin-top: 9px;
    background-color: #eef2f5;
}

QGroupBox::title {
    subcontrol-origin: margin;
    left: 10px;
    padding: 0 4px;
    color: #2f5d8a;
}

QLabel {
    background: transparent;
}

QLineEdit {
    background-color: #ffffff;
    border: 1px solid #a9b4be;
    border-radius: 3px;
    padding: 1px 4px;
    selection-background-color: #3d7fc1;
}

QLineEdit:focus {
    border: 1px solid #3d7fc1;
}

QPushButton {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #fbfcfd, stop: 1 #dfe6ec);
    border: 1px solid #8fa0b0;
    border-radius: 5px;
    color: #1f3b57;
}

QPushButton:hover {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #ffffff, stop: 1 #cfe0f0);
    border-color: #3d7fc1;
}

QPushButton:pressed {
    background-color: #bcd3ea;
}

QPushButton:focus {
    border: 2px solid #3d7fc1;
}

QTreeView {
    background-color: #ffffff;
    alternate-background-color: #f4f7fa;
    border: 1px solid #a9b4be;
    selection-background-color: #3d7fc1;
    selection-color: #ffffff;
}

QHeaderView::section {
    background-color: #e3e9ef;
    border: none;
    border-right: 1px solid #c4ced7;
    border-bottom: 1px solid #c4ced7;
    padding: 2px 4px;
    font-weight: bold;
}
