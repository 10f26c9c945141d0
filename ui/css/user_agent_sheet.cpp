// The built-in user-agent sheet: the engine's default styles for HTML elements and for
// the tooltip and select popup it creates itself. Parsed when a document is created.

#include "user_agent_sheet.h"

namespace orlan::css {

namespace {

// One rule per line; the order is significant (later rules win ties).
constexpr char kUserAgentSheet[] = R"css(
html,body,div,p,h1,h2,h3,h4,h5,h6,section,header,footer,nav,main,ul,ol,li,hr,form{display:block}
head,title,meta,link,script,style{display:none}
button,input,textarea,select{display:inline-block}
option{display:none}
body{margin:8px}
h1{font-size:2em;font-weight:bold;margin:0.67em 0}
h2{font-size:1.5em;font-weight:bold;margin:0.83em 0}
h3{font-size:1.17em;font-weight:bold;margin:1em 0}
h4{font-weight:bold;margin:1.33em 0}
p{margin:1em 0}
ul,ol{padding-left:40px;margin:1em 0}
ul{list-style-type:disc}
ol{list-style-type:decimal}
ul ul,ol ul{list-style-type:circle}
ul ul ul{list-style-type:square}
li{display:list-item}
hr{border-top:1px solid gray;margin:0.5em 0}
b,strong{font-weight:bold}
i,em,cite,var,dfn{font-style:italic}
u,ins{text-decoration:underline}
s,del,strike{text-decoration:line-through}
small{font-size:0.83em}
sub{vertical-align:sub;font-size:0.83em}
sup{vertical-align:super;font-size:0.83em}
mark{background-color:yellow;color:black}
code,pre,kbd,samp{font-family:monospace}
h5{font-size:0.83em;font-weight:bold;margin:1.67em 0}
h6{font-size:0.67em;font-weight:bold;margin:2.33em 0}
blockquote,figure{display:block;margin:1em 40px}
article,aside,details,figcaption,summary,address,fieldset,legend,dl,dd,dt{display:block}
table{display:table;border-spacing:2px;box-sizing:border-box;border-color:gray}
thead,tbody,tfoot{display:table-row-group}
tr{display:table-row}
col,colgroup{display:table-column}
td,th{display:table-cell;padding:1px;vertical-align:middle}
th{font-weight:bold;text-align:center}
caption{display:table-caption;text-align:center}
dd{margin-left:40px}
a[href]{color:#0000ee;text-decoration:underline;cursor:pointer}
pre{display:block;white-space:pre;margin:1em 0}
input,textarea{border:1px solid gray;padding:2px 4px;background-color:white;cursor:text;overflow:hidden}
button{border:1px solid gray;padding:2px 6px;background-color:silver;cursor:default;text-align:center}
textarea{min-height:2em}
select{border:1px solid gray;padding:2px 22px 2px 4px;background-color:white;cursor:default;white-space:nowrap}
input[type=checkbox],input[type=radio]{box-sizing:border-box;width:14px;height:14px;padding:0;margin:0 4px 0 0;cursor:default}
input[type=radio]{border-radius:7px}
input[type=button],input[type=submit],input[type=reset]{cursor:default;background-color:silver;text-align:center}
label{cursor:default}
img{display:inline-block}
.ui-tooltip{position:absolute;z-index:1001;background-color:#333333;color:white;padding:4px 8px;border-radius:4px;font-size:12px;white-space:nowrap}
.ui-select-popup{position:absolute;z-index:1000;background-color:white;border:1px solid gray;padding:4px 0;white-space:nowrap;overflow:auto;box-sizing:border-box;scrollbar-gutter:stable}
.ui-select-option{padding:3px 8px;cursor:default}
.ui-select-option:hover,.ui-select-option.active{background-color:#e8eefc}
button:disabled,input:disabled,textarea:disabled,select:disabled{opacity:0.5}
)css";

}  // namespace

std::string_view user_agent_sheet_text() {
  // Without the line feed that opens the raw literal.
  return std::string_view(kUserAgentSheet + 1, sizeof kUserAgentSheet - 2);
}

}  // namespace orlan::css
