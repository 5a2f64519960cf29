#pragma once
// Definitions with cross-tabs over the sample database's orders, for the definition tests.
#include <string>

namespace oxqr::test {

// Payment methods by month of sale over every order, in the summary: thirteen columns with
// the totals, more than an A4 page's width holds.
inline std::string CrossTabByMonth() {
  return R"oxr(<?xml version="1.0" encoding="UTF-8"?>
<report title="Payments by month" paper="A4" topMargin="10" bottomMargin="10" leftMargin="15" rightMargin="15" dataset="Orders">
  <query name="Orders">SELECT OrderNo, SaleDate, PaymentMethod, AmountPaid FROM orders ORDER BY SaleDate</query>
  <band type="title" height="10">
    <label left="0" top="1" width="180" height="8" text="{title}" fontSize="14" fontStyle="bold"/>
  </band>
  <band type="summary" height="20">
    <crosstab name="ByMonth" left="0" top="2" width="180" height="12" dataset="Orders"
              rows="Orders.PaymentMethod" columns="monthname(Orders.SaleDate)"
              value="sum(Orders.AmountPaid)" format="#,##0.00"
              rowHeaderWidth="22" columnWidth="22" rowHeight="6"/>
  </band>
  <band type="pageFooter" height="8">
    <label left="0" top="2" width="180" height="5" align="center" text="Page {page} of {pages}"/>
  </band>
</report>
)oxr";
}

// A cross-tab per country in its group's footer (started again with each country), with
// every attribute of its own set.
inline std::string CrossTabPerCountry() {
  return R"oxr(<?xml version="1.0" encoding="UTF-8"?>
<report title="Orders per country" paper="A4" topMargin="10" bottomMargin="10" leftMargin="15" rightMargin="15" dataset="Orders">
  <query name="Orders">SELECT o.OrderNo, o.SaleDate, o.PaymentMethod, o.AmountPaid, c.Country FROM orders o JOIN customer c ON c.CustNo = o.CustNo ORDER BY c.Country, o.SaleDate</query>
  <band type="groupHeader" name="ByCountry" field="Orders.Country" footer="CountryFooter" height="7">
    <label left="0" top="1" width="180" height="5" text="Country {Orders.Country}" fontStyle="bold"/>
  </band>
  <band type="detail" height="1"/>
  <band type="groupFooter" name="CountryFooter" height="12">
    <crosstab name="PerCountry" left="5" top="1" width="170" height="10" dataset="Orders"
              rows="Orders.PaymentMethod" columns="year(Orders.SaleDate)" value="count(Orders)"
              rowHeaderWidth="30" columnWidth="20" rowHeight="5" totalCaption="All"
              font="Times New Roman" fontSize="9" color="#F0F0F0" frame="top bottom" frameColor="navy"/>
  </band>
  <band type="summary" height="12">
    <crosstab name="Largest" left="0" top="1" width="180" height="10" dataset="Orders" group="ByCountry"
              rows="Orders.Country" columns="Orders.PaymentMethod" value="max(Orders.AmountPaid)" format="0.00"/>
  </band>
</report>
)oxr";
}

}  // namespace oxqr::test
