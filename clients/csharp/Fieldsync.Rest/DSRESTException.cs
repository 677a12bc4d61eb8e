using System;

namespace Fieldsync.Rest
{
    /// <summary>A call that failed: the service's error message, or the transport's.</summary>
    public class DSRESTException : Exception
    {
        public DSRESTException(string message, int status) : base(message)
        {
            Status = status;
        }

        /// <summary>The HTTP status of the answer; 0 when no answer arrived.</summary>
        public int Status { get; private set; }
    }
}
