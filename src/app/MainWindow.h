// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

class AppModel;
class QQuickWindow;

// The main window's place on the screen and its icon, timed so that neither holds up a frame.
namespace MainWindow {

void show(QQuickWindow *window);

// Sized once from the screen's free area, centred on it, then shown.
void place(QQuickWindow *window);

// The icon waits for the frame that follows the first read's answer (the cards), then is made
// in the background. Setting it sends every size of the picture to the window system; sent
// sooner, under X11 it waited behind the server taking in the first frame, and the cards with
// it.
void setIconOnceLoaded(QQuickWindow *window, const AppModel *model);

} // namespace MainWindow
