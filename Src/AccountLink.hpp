#pragma once

// The link dialog; on OK a new identifier is stored and the login page opened with it.
void PromptAccountLink();
void UnlinkAccount();
