#pragma once

// 按钮1: hides the picked window and shows it again after 2,000 seconds.
void testHide();
