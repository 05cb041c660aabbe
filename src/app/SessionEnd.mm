// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// Whether the quit being handled comes from the end of the desktop session: log-out, restart
// or shut-down quit at once, without the quit dialog.
#import <AppKit/AppKit.h>
#import <CoreServices/CoreServices.h>

bool macSessionIsEnding()
{
    NSAppleEventDescriptor *event = [[NSAppleEventManager sharedAppleEventManager] currentAppleEvent];
    if (!event || event.eventClass != kCoreEventClass || event.eventID != kAEQuitApplication)
        return false;
    for (AEKeyword keyword : {AEKeyword('logo'), AEKeyword('rlgo'), AEKeyword('shut'),
                              AEKeyword('rest')}) {
        if ([event attributeDescriptorForKeyword:keyword])
            return true;
    }
    return false;
}
